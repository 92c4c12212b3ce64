#pragma once
// Reading an import log back: what it records of each transaction QuickBooks answered or
// held already, and the notes its run wrote before the first one. Every line is found by
// the mark the run wrote it with (import_log.h). Any bytes may be handed in as a log: a
// damaged or foreign file reads as what it still says, never as an error.
#include <string>
#include <string_view>
#include <vector>

#include "engine/company/run_record.h"

namespace ztl::importlog {

// One transaction's block.
struct LoggedTransaction {
    int number = 0;               // its "Transaction : n"
    std::string referenceNumber;  // the invoice, single-byte as in the log
    // Posted, Refused or AlreadyThere, by the rule the run records its answers by
    // (answerOutcome); NoAnswer for a block that ends before its answer, as the block of a
    // run stopped while writing it does.
    TransactionRecord::Outcome outcome = TransactionRecord::Outcome::NoAnswer;
    // The entry QuickBooks made (Posted) or held (AlreadyThere); a refusal's answer may carry
    // one too, which posted nothing.
    std::string txnId;
    std::string statusCode, statusSeverity, statusMessage;  // QuickBooks' answer, when it has one
    std::vector<std::string> otherEntries;  // entries with its invoice number and date, other lines
    bool changedInQuickBooks = false;       // AlreadyThere: held as changed by hand since an import posted it
    // AlreadyThere: an import sent it and its answer never came (the run of `sentBy`); this
    // log is the one that records its TxnID as posted by the import.
    bool sentWithoutAnswer = false;
    std::string sentBy;
};

struct LoggedRun {
    bool isImportLog = false;       // the first line is the log's heading
    std::string lockTakenOverFrom;  // the dead run whose import lock this run took over
    bool duplicateCheckOff = false;
    bool stoppedUnasked = false;  // QuickBooks could not be asked what it holds: nothing was sent
    std::vector<LoggedTransaction> transactions;  // in log order
};

LoggedRun readLog(std::string_view bytes);

}  // namespace ztl::importlog
