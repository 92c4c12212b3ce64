#include "engine/company/import_log.h"

#include "platform/vb_error.h"

namespace ztl::importlog {

std::string headingLine(const std::string& shortDate, const std::string& time) {
    return kHeadingMark + shortDate + " : " + time;
}

std::string ruleLine() {
    return std::string(76, '-') + " ";
}

std::string transactionHeading(int transactionNumber, const std::string& referenceNumber) {
    return kTransactionMark + std::to_string(transactionNumber) + kInvoiceMark + referenceNumber;
}

std::string statusLine(const std::string& code, const std::string& severity, const std::string& txnId) {
    return kStatusCodeMark + code + kSeverityMark + severity + kResultIdMark + txnId;
}

std::string messageLine(const std::string& message) {
    return kMessageMark + message;
}

std::string lockTakenOverLine(const std::string& holder) {
    return kLockTakenOverMark + holder + kLockTakenOverEnd;
}

std::string alreadyPostedLine(const std::string& txnId) {
    return kAlreadyPostedMark + txnId + kAlreadyPostedEnd;
}

std::string otherEntryLine(const std::string& txnId) {
    return kOtherEntryMark + txnId + kOtherEntryEnd;
}

std::string changedEntryLine(const std::string& txnId, bool changedByHand) {
    return kChangedEntryMark + txnId + (changedByHand ? kChangedEntryEnd : kOtherLinesEntryEnd);
}

std::string duplicateCheckFailedLine(const std::string& reason) {
    return kDuplicateCheckFailedMark + reason;
}

std::vector<std::string> answerBlock(int transactionNumber, const std::string& referenceNumber,
                                     const std::vector<std::string>& notes, const std::string& code,
                                     const std::string& severity, const std::string& message,
                                     const std::string& txnId) {
    std::vector<std::string> block{transactionHeading(transactionNumber, referenceNumber)};
    block.insert(block.end(), notes.begin(), notes.end());
    if (message == "Status OK") block.push_back(kSuccessLine);
    if (severity == "Error") block.push_back(kAbortLine);
    block.push_back(statusLine(code, severity, txnId));
    block.push_back(messageLine(message));
    block.push_back(kBlankLine);
    return block;
}

std::vector<std::string> alreadyPostedBlock(int transactionNumber, const std::string& referenceNumber,
                                            const std::string& txnId) {
    return {transactionHeading(transactionNumber, referenceNumber), alreadyPostedLine(txnId), kBlankLine};
}

std::string sentUnansweredLine(const std::string& logName, const std::string& txnId) {
    return kSentUnansweredMark + logName + kSentUnansweredTxnMark + txnId + kSentUnansweredEnd;
}

std::vector<std::string> sentUnansweredBlock(int transactionNumber, const std::string& referenceNumber,
                                             const std::string& txnId, const std::string& logName,
                                             std::optional<bool> changedByHand) {
    return {transactionHeading(transactionNumber, referenceNumber),
            changedByHand ? changedEntryLine(txnId, *changedByHand) : alreadyPostedLine(txnId),
            sentUnansweredLine(logName, txnId), kBlankLine};
}

std::vector<std::string> noAnswerBlock(int transactionNumber, const std::string& referenceNumber,
                                       const std::vector<std::string>& notes, const std::string& reason) {
    std::vector<std::string> block{transactionHeading(transactionNumber, referenceNumber)};
    block.insert(block.end(), notes.begin(), notes.end());
    block.push_back(kNoAnswerMark + reason);
    block.push_back(kNoAnswerAdvice);
    block.push_back(kBlankLine);
    return block;
}

std::vector<std::string> changedEntryBlock(int transactionNumber, const std::string& referenceNumber,
                                           const std::string& txnId, bool changedByHand) {
    return {transactionHeading(transactionNumber, referenceNumber), changedEntryLine(txnId, changedByHand), kBlankLine};
}

void writeBlock(TextWriter& log, const std::vector<std::string>& lines, int transactionNumber,
                const std::string& referenceNumber) {
    try {
        for (const auto& line : lines) log.writeLine(line);
        log.sync();
    } catch (const VbError& e) {
        throw WriteError(e, transactionNumber, referenceNumber);
    }
}


}  // namespace ztl::importlog
