#pragma once
// Undoing an import run: removing from QuickBooks exactly the journal entries that the
// run's import log records as posted by that run, one delete (qbXML 1.1) each, and nothing
// else. An entry is removed only while it is still as the run posted it:
//   - an entry the log names as found in QuickBooks already was posted by an earlier run
//     (or its undo's business): this log's undo does not touch it;
//   - an entry QuickBooks no longer holds has nothing to remove: no failure, so that an undo
//     run twice removes nothing the second time and fails nothing;
//   - an entry that no longer carries the log's invoice number and the import's memo is not
//     the run's entry (a log of another company, say), and is not removed;
//   - an entry whose TimeModified is not its TimeCreated was changed in QuickBooks since it
//     was posted, and an entry whose lines are not the totals file's transaction is no longer
//     what the file says: not removed;
//   - an entry dated on or before the company's closing date is not removed: the books are
//     closed up to that day, the day itself included.
// Every outcome goes to the log, after its own lines, in an "undone" block (undo_log.h).
#include <optional>
#include <string>
#include <vector>

#include "engine/company/company_session.h"
#include "engine/review/undo_log.h"
#include "platform/clock.h"

namespace ztl {

struct UndoEntry {
    enum class Plan { Remove, Refuse, AlreadyGone, Keep };
    enum class Outcome { NotTried, Removed, Failed };
    undolog::LoggedEntry logged;
    Plan plan = Plan::Remove;
    std::string reason;   // why it is refused, gone or kept
    std::string txnDate;  // as QuickBooks holds it
    Outcome outcome = Outcome::NotTried;
    std::string failure;  // QuickBooks' refusal of the delete
};

struct UndoPlan {
    std::string logPath;
    std::string closingDate;  // empty: the company has none
    std::string totalsNote;   // how the entries were compared with the totals file
    std::vector<UndoEntry> entries;

    int toRemove() const;
    // What the operator reads before confirming: every entry and what will become of it.
    std::vector<std::string> listing() const;
    // After carryOut: every entry's outcome and a summary line.
    std::vector<std::string> report() const;
    // Nothing refused and nothing failed: every entry the run posted is gone from QuickBooks.
    bool complete() const;
    // The run posted an entry of its own; false when every entry it names was in QuickBooks
    // before it (an import run again over a day already posted): undoing it changes nothing.
    bool postedAnything() const;
};

// Reads the log and asks QuickBooks about its entries; removes nothing. `totalsPath` is the
// run's totals file, or empty for the one beside the log (if it is still there). Throws
// CompanyError.
UndoPlan planUndo(CompanySession& company, const std::string& logPath, const std::string& totalsPath);

// Sends one delete per entry to remove, writing each outcome to the log's undone block as it
// comes. A failure of QuickBooks itself stops the undo; the entries not tried stay. Throws
// VbError when the log cannot be written (nothing more is removed then).
void carryOutUndo(CompanySession& company, UndoPlan& plan, const Clock* clock);

// The confirmation an undo asks for before it removes anything.
std::string undoConfirmationText(const UndoPlan& plan);

}  // namespace ztl

namespace ztl {
// The answers that confirm an undo, as the confirmation window takes them: exactly these
// three spellings of YES, untrimmed.
inline bool isUndoConfirmation(const std::string& answer) {
    return answer == "YES" || answer == "Yes" || answer == "yes";
}
}  // namespace ztl
