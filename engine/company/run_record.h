#pragma once
// What one import run did, handed back by the run itself: for every transaction of the file
// that carries lines, whether QuickBooks took it, refused it, held it already, never got it,
// or got it without its answer coming back; and how the run ended. Whoever decides what
// follows a run (the file's fate, the window's next step, ztl's summary) reads this record
// instead of reading the run's log back.
#include <memory>
#include <string>
#include <vector>

#include "engine/totals/store_day.h"

namespace ztl {

struct TransactionRecord {
    enum class Outcome {
        NotSent,       // the run never sent it: refused before sending, or never reached
        Posted,        // QuickBooks answered with the new entry's TxnID
        Refused,       // QuickBooks answered without posting it
        AlreadyThere,  // QuickBooks held it already: not sent again
        NoAnswer,      // handed to QuickBooks, and no readable answer came back: it may be posted
    };
    Outcome outcome = Outcome::NotSent;
    std::string referenceNumber;  // the invoice number, single-byte
    int logNumber = 0;            // its "Transaction : n" in the import log; 0 when it has no block
    std::string txnId;            // Posted and AlreadyThere: the entry in QuickBooks
    std::string statusCode, statusSeverity, statusMessage;  // QuickBooks' answer, when one came
    std::string reason;           // NotSent and NoAnswer: why, when known
    // AlreadyThere: QuickBooks' entry is the import's, changed by hand since it was posted.
    bool changedInQuickBooks = false;
    // AlreadyThere: an import's request for it went unanswered (this run's or an earlier
    // one's) and QuickBooks holds its entry: this run's log records it as posted.
    bool sentWithoutAnswer = false;
};

// What QuickBooks' answer to an entry made of it: posted when the answer carries the new
// entry's TxnID and is no error, a warning included; refused otherwise. The run records its
// transactions by this rule and the import log's reader reads their blocks by it.
TransactionRecord::Outcome answerOutcome(const std::string& severity, const std::string& txnId);

struct RunRecord {
    using Outcome = TransactionRecord::Outcome;

    std::vector<TransactionRecord> transactions;  // in file order
    bool reachedEnd = false;         // the run went through the whole file and showed its results
    bool lockHeldElsewhere = false;  // another workstation's run had the file: nothing was posted
    bool stoppedUnasked = false;     // QuickBooks could not be asked what it holds: nothing was sent
    bool duplicateCheckOff = false;  // every transaction was sent without asking
    std::string logPath;             // the import log this run wrote, as the store system names paths;
                                     // empty when it wrote none
    std::string companyFile;         // the company posted into, as its caller named it; empty: not known
    // The day's runs of consecutive D lines (StoreDay::lineRuns): an import posts at most one
    // entry per run, the one after an H line; a run anywhere else is counted all the same,
    // so that it shows up as not posted.
    int lineRuns = 0;
    // The day the run posted, as it walked the totals file; none when it could not read it.
    std::shared_ptr<const StoreDay> day;

    int count(Outcome outcome) const;
    // Posted by this run or held by QuickBooks already.
    int inQuickBooks() const { return count(Outcome::Posted) + count(Outcome::AlreadyThere); }
    // An answer said "Error": the program's ImportErrorFlag.
    bool refusedEntry() const;
    // QuickBooks holds every transaction of the day: the run went through the whole file,
    // nothing was refused, and every run of lines (at least one: a file without any may not
    // be a totals file at all) is posted or was there already. The one rule for a day posted
    // whole, for the file's fate, the command line's next steps and the unattended run.
    bool postedWhole() const;
};

}  // namespace ztl
