#pragma once
// What the bookkeeper can do about an entry QuickBooks refused or never took, by the status
// QuickBooks answered: the cause in a few words and the step, in a sentence each. None of
// these can be mended from the store's Linux machine; the console only explains.
#include <optional>
#include <string>

namespace ztl::qbwc {

struct RefusalAdvice {
    std::string cause;  // "The entry refers to ...": a sentence without its full stop
    std::string step;   // a sentence or two
};

// The advice for QuickBooks' status `code` ("3120", "3140", "3180", "3231"), or for a
// request QuickBooks could not read (0x80040400: its code, or its message when the entry was
// recorded without one); none for any other status.
std::optional<RefusalAdvice> refusalAdvice(const std::string& code, const std::string& message);

}  // namespace ztl::qbwc
