#include "engine/posting/entry_differences.h"

#include <algorithm>
#include <optional>

#include "platform/trim.h"
#include "platform/windows1252.h"
#include "qbxml/values.h"

namespace ztl {
namespace {

struct Line {
    bool debit;
    std::string account;  // full name as QuickBooks resolves it (UTF-8)
    std::int64_t cents;
    std::string entity;
};

std::string side(const Line& l) {
    return l.debit ? "debit" : "credit";
}

std::string shown(const std::string& utf8) {
    return utf8ToWindows1252(std::string(trimmedView(utf8, kWhitespace)));
}

std::string describe(const Line& l) {
    std::string s = side(l) + " " + shown(l.account) + " " + centsText(l.cents);
    if (!trimmedView(l.entity, kWhitespace).empty()) s += " (" + shown(l.entity) + ")";
    return s;
}

bool sameLine(const Line& a, const Line& b) {
    return a.debit == b.debit && sameQuickBooksName(a.account, b.account) && a.cents == b.cents &&
           sameQuickBooksName(a.entity, b.entity);
}

// Takes out of `held` the first line that `fits` the wanted line; nothing when none does.
template <class Fits>
std::optional<Line> takeFitting(std::vector<Line>& held, const Line& wanted, Fits fits) {
    for (auto it = held.begin(); it != held.end(); ++it)
        if (fits(wanted, *it)) {
            Line l = *it;
            held.erase(it);
            return l;
        }
    return std::nullopt;
}

}  // namespace

std::vector<std::string> entryDifferences(const StoreTransaction& transaction, const PostedEntry& entry,
                                          const CompanyChart& chart) {
    std::vector<Line> wanted, held;
    for (const auto& l : transaction.lines) {
        const CompanyChart::Account* a = chart.resolve(l.account);
        wanted.push_back(
            {l.debit, a ? a->fullName : std::string(trimmedView(l.account, kWhitespace)), l.cents, l.entity});
    }
    for (const auto& l : entry.lines) held.push_back({l.debit, l.account, l.cents, l.entity});

    // The lines both hold are no difference.
    std::vector<Line> missing;
    for (const auto& w : wanted)
        if (!takeFitting(held, w, sameLine)) missing.push_back(w);

    std::vector<std::string> out;
    std::vector<Line> unmatched;
    // A line that changed in one respect is that change, not a line less and a line more.
    for (const auto& w : missing) {
        auto sameButAmount = [](const Line& a, const Line& b) {
            return a.debit == b.debit && sameQuickBooksName(a.account, b.account) &&
                   sameQuickBooksName(a.entity, b.entity);
        };
        auto sameButAccount = [](const Line& a, const Line& b) {
            return a.debit == b.debit && a.cents == b.cents && sameQuickBooksName(a.entity, b.entity);
        };
        auto sameButName = [](const Line& a, const Line& b) {
            return a.debit == b.debit && a.cents == b.cents && sameQuickBooksName(a.account, b.account);
        };
        if (auto h = takeFitting(held, w, sameButAmount)) {
            out.push_back("amount of " + side(w) + " " + shown(w.account) + ": " + centsText(w.cents) +
                          " in the file, " + centsText(h->cents) + " in QuickBooks");
        } else if (auto other = takeFitting(held, w, sameButAccount)) {
            out.push_back("account of " + side(w) + " " + centsText(w.cents) + ": " + shown(w.account) +
                          " in the file, " + shown(other->account) + " in QuickBooks");
        } else if (auto named = takeFitting(held, w, sameButName)) {
            auto name = [](const Line& l) {
                return trimmedView(l.entity, kWhitespace).empty() ? std::string("no name") : shown(l.entity);
            };
            out.push_back("name of " + side(w) + " " + shown(w.account) + " " + centsText(w.cents) + ": " +
                          name(w) + " in the file, " + name(*named) + " in QuickBooks");
        } else {
            unmatched.push_back(w);
        }
    }
    for (const auto& w : unmatched) out.push_back("a line less in QuickBooks: " + describe(w));
    for (const auto& h : held) out.push_back("a line more in QuickBooks: " + describe(h));
    if (out.empty() && !carriesImportMemo(entry)) out.push_back("a line without the import's memo");
    return out;
}

}  // namespace ztl
