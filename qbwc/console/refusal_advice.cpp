#include "qbwc/console/refusal_advice.h"

#include <array>
#include <string_view>

namespace ztl::qbwc {

namespace {

struct Row {
    std::string_view code;
    std::string_view cause;
    std::string_view step;
};

constexpr std::string_view kUnreadable = "0x80040400";
// The text the request processor gives with 0x80040400.
constexpr std::string_view kUnreadableText = "QuickBooks found an error when parsing the provided XML text stream.";

constexpr std::array<Row, 5> kAdvice{{
    {"3120", "A name or account the entry uses is not in the company",
     "Add the account, customer or vendor the message names to the QuickBooks company (or have the store correct "
     "its account code), then post the pending days again."},
    {"3140", "The entry refers to an account, customer or vendor QuickBooks does not know",
     "Add it in QuickBooks under exactly the name or number the message quotes, or have the store correct its "
     "totals, then post the pending days again."},
    {"3180", "QuickBooks would not save the entry: a list was changed by another user, or a rule of the company "
             "refused it",
     "Mend what the message names (for a list changed meanwhile nothing needs mending), then post the pending days "
     "again."},
    {"3231", "QuickBooks did not process the entry because an earlier one in the same request failed",
     "Mend the earlier refusal; this entry is posted with the day once that one is."},
    {kUnreadable, "QuickBooks could not read the request",
     "Sending it again unchanged fails again: keep the day pending and give its import log to Zentrel's "
     "support."},
}};

}  // namespace

std::optional<RefusalAdvice> refusalAdvice(const std::string& code, const std::string& message) {
    std::string_view asked = code;
    if (asked == "-2147220480" || (asked.empty() && message == kUnreadableText)) asked = kUnreadable;
    for (const Row& row : kAdvice)
        if (row.code == asked) return RefusalAdvice{std::string(row.cause), std::string(row.step)};
    return std::nullopt;
}

}  // namespace ztl::qbwc
