#include "engine/import/import_log.h"

#include "platform/vb_error.h"

namespace ztl::importlog {

std::string headingLine(const std::string& shortDate, const std::string& time) {
    return "Korvane Zentrel import log " + shortDate + " : " + time;
}

std::string ruleLine() {
    return std::string(76, '-') + " ";
}

std::string transactionHeading(int transactionNumber, const std::string& referenceNumber) {
    return "Transaction : " + std::to_string(transactionNumber) + "    Invoice : " + referenceNumber;
}

std::string statusLine(const std::string& code, const std::string& severity, const std::string& txnId) {
    return "Response Status Code : " + code + "       Return StatusSeverity Code : " + severity + "   " +
           "Import result ID :" + txnId;
}

std::string messageLine(const std::string& message) {
    return "Return Status Message :" + message;
}

std::string lockTakenOverLine(const std::string& holder) {
    return "Import lock of " + holder + " taken over: that import had ended without releasing it.";
}

std::string alreadyPostedLine(const std::string& txnId) {
    return kAlreadyPostedMark + txnId + " - not sent again";
}

std::string otherEntryLine(const std::string& txnId) {
    return "QuickBooks entry TxnID " + txnId +
           " has this invoice number and date but other lines: it is not this transaction";
}

std::string duplicateCheckFailedLine(const std::string& reason) {
    return "Nothing was sent: QuickBooks could not be asked which transactions it already holds. " + reason;
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

std::string logPathFor(const std::string& totalsPath) {
    if (totalsPath.size() < 7) throw vbError(vb::kInvalidProcedureCall);
    return totalsPath.substr(0, totalsPath.size() - 7) + "QBImport.log";
}

}  // namespace ztl::importlog
