#pragma once
// What standard error has told of a failure, so that one failure reads as one message on a
// terminal. A window shows each box the engine raises, one after the other; on a terminal
// the same boxes are a wall of text for one cause: the wait for the Web Connector ends with
// its reason, the engine object that could not open its connection reports it, and every
// session after it reports the closed connection again. Here:
//  - the reason a wait for QuickBooks ended is held back until the next message: when that
//    message carries it (the module error report of the same failure), it is said there
//    once; otherwise it comes first, on a line of its own;
//  - once QuickBooks could not be reached, a later report that QuickBooks cannot be reached
//    (the same error again, or the closed connection every session after it finds) follows
//    from it: it is counted, not printed, and the count is said at the end. Every other
//    report is printed each time: two transactions refused alike are two failures.
// Every box still counts as shown: the exit status does not change.
#include <iosfwd>
#include <set>
#include <string>

namespace ztl::cli {

class FailureNotes {
  public:
    explicit FailureNotes(std::ostream& out) : out_(out) {}

    // The wait for QuickBooks ended without an answer, for this reason.
    void waitFailed(const std::string& why);
    // A message box's text: printed, followed by an empty line, unless it repeats a failure
    // already told.
    void box(const std::string& text);
    // A line of the command's own about a failure ("ztl: ..."): always printed.
    void line(const std::string& text);
    // The details of a failure the command said short: printed ("ztl: ...") unless they only
    // repeat the reason a wait for QuickBooks ended with, told already.
    void detail(const std::string& text);
    // The end of the command: a reason still held back, and how many reports were not repeated.
    void finish();

  private:
    void sayHeldReason(const std::string& next);

    std::ostream& out_;
    std::string heldReason_;
    std::set<std::string> toldReasons_;  // the wait's reasons said, their clock times aside
    std::set<std::string> told_;         // "number description" of each unreachable report printed
    bool unreachableTold_ = false;
    int notRepeated_ = 0;
};

// What a command says when QuickBooks does not answer, with where to look.
inline constexpr const char* kQuickBooksUnreachable =
    "ztl: QuickBooks cannot be reached (ZENTREL_QUICKBOOKS, or the setting QuickBooks: ztl qbwc status)";

// The one instance of ztl's standard error.
FailureNotes& failureNotes();

}  // namespace ztl::cli
