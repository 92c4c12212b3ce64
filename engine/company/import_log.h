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
#include "engine/company/file_names.h"
#include <optional>
#include <string>
#include <vector>

#include "platform/text_file.h"
#include "platform/vb_error.h"

namespace ztl::importlog {

// Each line's marks are named once, here: the run writes them through the functions below
// and the reader (import_log_reader.h) finds them by the same names, so neither can change
// a line without the other.

inline constexpr const char* kHeadingMark = "Korvane Zentrel import log ";
std::string headingLine(const std::string& shortDate, const std::string& time);
std::string ruleLine();
inline constexpr const char* kBlankLine = " ";

inline constexpr const char* kTransactionMark = "Transaction : ";
inline constexpr const char* kInvoiceMark = "    Invoice : ";
std::string transactionHeading(int transactionNumber, const std::string& referenceNumber);

inline constexpr const char* kSuccessLine = "Import successful";
inline constexpr const char* kAbortLine = "ERROR   ----------> !!! Import aborted !!! <--------- !";

// QuickBooks' answer: its three attributes and the new entry's TxnID (empty when it made
// none) on one line, its message on the next.
inline constexpr const char* kStatusCodeMark = "Response Status Code : ";
inline constexpr const char* kSeverityMark = "       Return StatusSeverity Code : ";
inline constexpr const char* kResultIdMark = "   Import result ID :";
inline constexpr const char* kMessageMark = "Return Status Message :";
std::string statusLine(const std::string& code, const std::string& severity, const std::string& txnId);
std::string messageLine(const std::string& message);

// The duplicate guard's lines. A transaction QuickBooks holds already gets a block of its
// heading, the already-posted line and a blank; an entry with the transaction's invoice
// number and date but other lines is named in the transaction's block, after its heading.
inline constexpr const char* kAlreadyPostedMark = "Already in QuickBooks : TxnID ";
inline constexpr const char* kAlreadyPostedEnd = " - not sent again";
std::string alreadyPostedLine(const std::string& txnId);
inline constexpr const char* kOtherEntryMark = "QuickBooks entry TxnID ";
inline constexpr const char* kOtherEntryEnd =
    " has this invoice number and date but other lines: it is not this transaction";
std::string otherEntryLine(const std::string& txnId);
// A transaction whose entry, posted by an import, was changed in QuickBooks since: its block
// is its heading, this line and a blank, and it is not sent again.
inline constexpr const char* kChangedEntryMark = "Changed in QuickBooks : TxnID ";
inline constexpr const char* kChangedEntryEnd = " - posted by an import and changed by hand since; not sent again";
// An import's entry never changed in QuickBooks whose lines are not the file's now (a
// setting such as the customer's name changed since).
inline constexpr const char* kOtherLinesEntryEnd = " - posted by an import, with other lines than the file's now; not sent again";
std::string changedEntryLine(const std::string& txnId, bool changedByHand = true);
// Written after the opening lines when the operator chose to import without the check.
inline constexpr const char* kDuplicateCheckOffLine =
    "Duplicate check : off - every transaction is sent, also one that QuickBooks already holds";
// Written after the opening lines when QuickBooks could not be asked: nothing was sent.
inline constexpr const char* kDuplicateCheckFailedMark =
    "Nothing was sent: QuickBooks could not be asked which transactions it already holds. ";
std::string duplicateCheckFailedLine(const std::string& reason);

// A note the run writes after the opening lines when it took over the import lock of a run
// that had died.
inline constexpr const char* kLockTakenOverMark = "Import lock of ";
inline constexpr const char* kLockTakenOverEnd = " taken over: that import had ended without releasing it.";
std::string lockTakenOverLine(const std::string& holder);

// The block of a transaction QuickBooks answered: its heading, the duplicate guard's notes
// on it, the success line for the message "Status OK", the abort line for the severity
// "Error", then the answer.
std::vector<std::string> answerBlock(int transactionNumber, const std::string& referenceNumber,
                                     const std::vector<std::string>& notes, const std::string& code,
                                     const std::string& severity, const std::string& message,
                                     const std::string& txnId);
// The block of a transaction QuickBooks holds already, sent no more.
std::vector<std::string> alreadyPostedBlock(int transactionNumber, const std::string& referenceNumber,
                                            const std::string& txnId);

// A transaction QuickBooks holds that an import sent without its answer coming back (an
// earlier run whose log is named, or this run): no log has its TxnID as posted, so this
// one records it as posted by the import, for its undo. It follows the already-posted (or
// changed) line of the transaction's block:
//   Sent without an answer by the run of <log name> : TxnID <id> - the undo of this log removes it
inline constexpr const char* kSentUnansweredMark = "Sent without an answer by the run of ";
inline constexpr const char* kSentUnansweredTxnMark = " : TxnID ";
inline constexpr const char* kSentUnansweredEnd = " - the undo of this log removes it";
std::string sentUnansweredLine(const std::string& logName, const std::string& txnId);
// The block of such a transaction: heading, the already-posted (or changed) line, the line
// above and a blank.
std::vector<std::string> sentUnansweredBlock(int transactionNumber, const std::string& referenceNumber,
                                             const std::string& txnId, const std::string& logName,
                                             std::optional<bool> changedByHand = std::nullopt);
// The block of a transaction whose entry was changed in QuickBooks since an import posted it.
std::vector<std::string> changedEntryBlock(int transactionNumber, const std::string& referenceNumber,
                                           const std::string& txnId,
                                           bool changedByHand = true);

// The block of a transaction handed to QuickBooks whose answer never came back (the
// connection broke, the Web Connector's PC slept, the answer could not be read): QuickBooks
// may hold it, so the log says so rather than leaving it out. Its heading, the duplicate
// guard's notes, then why the answer is missing and what the next import does about it.
inline constexpr const char* kNoAnswerMark = "Sent to QuickBooks, no answer came back : ";
inline constexpr const char* kNoAnswerAdvice =
    "It may be in QuickBooks: the next import asks QuickBooks before sending it again.";
std::vector<std::string> noAnswerBlock(int transactionNumber, const std::string& referenceNumber,
                                       const std::vector<std::string>& notes, const std::string& reason);

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


}  // namespace ztl::importlog
