#pragma once
// The import log "QBImport.log": single-byte text beside the totals file, created anew by
// every run, lines ending in CR LF.
//
//   Korvane Zentrel import log <short date> : <time>
//   ---------------------------------------------------------------------------- (76 + blank)
//   " "
//   then per transaction that received a response:
//   Transaction : <n>    Invoice : <reference>
//   Import successful                                      (status message "Status OK")
//   ERROR   ----------> !!! Import aborted !!! <--------- ! (severity "Error")
//   Response Status Code : <c>       Return StatusSeverity Code : <s>   Import result ID :<id>
//   Return Status Message :<message>
//   " "
#include <string>
#include <vector>

#include "platform/text_file.h"
#include "platform/vb_error.h"

namespace ztl::importlog {

std::string headingLine(const std::string& shortDate, const std::string& time);
std::string ruleLine();
std::string transactionHeading(int transactionNumber, const std::string& referenceNumber);
inline constexpr const char* kSuccessLine = "Import successful";
inline constexpr const char* kAbortLine = "ERROR   ----------> !!! Import aborted !!! <--------- !";
std::string statusLine(const std::string& code, const std::string& severity, const std::string& txnId);
std::string messageLine(const std::string& message);
inline constexpr const char* kBlankLine = " ";

// The duplicate guard's lines. A transaction QuickBooks holds already gets a block of its
// heading, the already-posted line and a blank; an entry with the transaction's invoice
// number and date but other lines is named in the transaction's block, after its heading.
inline constexpr const char* kAlreadyPostedMark = "Already in QuickBooks : TxnID ";
std::string alreadyPostedLine(const std::string& txnId);
std::string otherEntryLine(const std::string& txnId);
// Written after the opening lines when the operator chose to import without the check.
inline constexpr const char* kDuplicateCheckOffLine =
    "Duplicate check : off - every transaction is sent, also one that QuickBooks already holds";
// Written after the opening lines when QuickBooks could not be asked: nothing was sent.
std::string duplicateCheckFailedLine(const std::string& reason);

// A note the run writes after the opening lines when it took over the import lock of a run
// that had died.
std::string lockTakenOverLine(const std::string& holder);

// The log is the record of what was posted: a transaction's block reaches the file, written
// through to the device, before the next request goes out. A failure to write it is not
// trapped where it happens: it stops the run, whose report says which transaction's answer
// the log is missing, since everything posted after it would go unrecorded.
struct WriteError : VbError {
    WriteError(const VbError& e, int transaction, std::string reference)
        : VbError(e), transactionNumber(transaction), referenceNumber(std::move(reference)) {}
    int transactionNumber;
    std::string referenceNumber;
};

// Writes the lines of one transaction's block and syncs them; throws WriteError.
void writeBlock(TextWriter& log, const std::vector<std::string>& lines, int transactionNumber,
                const std::string& referenceNumber);

// The log's path: the totals path with its last 7 characters (the file name "X390.QB")
// replaced, so a store number in front of the name stays in front of the log's name.
// Throws error 5 for a path shorter than that.
std::string logPathFor(const std::string& totalsPath);

}  // namespace ztl::importlog
