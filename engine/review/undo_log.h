#pragma once
// What an import log records as posted, as its reader (import_log_reader.h) reads it, taken
// for its undo; and the "undone" block an undo appends to the log. The block follows the log's own lines and uses none of their marks,
// so the log reads as before: an undone entry is not counted as posted again, nor as
// refused.
//
//   " "
//   Undo of this import <short date> : <time>
//   ---------------------------------------------------------------------------- (76 + blank)
//   <how the entries were compared with the totals file>
//   Removed from QuickBooks : TxnID <id>    Invoice : <reference>
//   Not removed : TxnID <id>    Invoice : <reference> - <reason>
//   Not touched : TxnID <id>    Invoice : <reference> - <reason>
//   <summary>
//   " "
#include <set>
#include <string>
#include <vector>

#include "platform/text_file.h"

namespace ztl::undolog {

struct LoggedEntry {
    int transactionNumber = 0;
    std::string referenceNumber, txnId;  // single-byte, as in the log
    // True when this run's request created it ("Import result ID"), or the run found it in
    // QuickBooks after an import's request for it went unanswered ("Sent without an answer");
    // false when the run found it in QuickBooks already and sent nothing ("Already in QuickBooks").
    bool postedByThisRun = true;
};

struct ImportLogRecord {
    bool isImportLog = false;          // it starts with the import log's heading
    std::vector<LoggedEntry> entries;  // in log order, each TxnID once
    std::set<std::string> removed;     // TxnIDs an earlier undo of this log removed
};

ImportLogRecord readImportLog(const std::string& logBytes);

inline constexpr const char* kRemovedMark = "Removed from QuickBooks : TxnID ";
std::string headingLine(const std::string& shortDate, const std::string& time);
std::string removedLine(const LoggedEntry& e);
std::string notRemovedLine(const LoggedEntry& e, const std::string& reason);
std::string notTouchedLine(const LoggedEntry& e, const std::string& reason);

}  // namespace ztl::undolog
