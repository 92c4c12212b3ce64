#include "engine/review/undo_log.h"

#include <algorithm>

#include "engine/company/import_log.h"
#include "engine/company/import_log_reader.h"
#include "platform/trim.h"

namespace ztl::undolog {
namespace {

// The undone block names an entry as the import log's heading names its transaction.
constexpr std::string_view kInvoice = importlog::kInvoiceMark;

std::string entryText(const LoggedEntry& e) {
    return e.txnId + std::string(kInvoice) + e.referenceNumber;
}

}  // namespace

ImportLogRecord readImportLog(const std::string& logBytes) {
    ImportLogRecord r;
    importlog::LoggedRun run = importlog::readLog(logBytes);
    r.isImportLog = run.isImportLog;
    for (const importlog::LoggedTransaction& t : run.transactions) {
        // An entry found in QuickBooks that an import's unanswered request had made is this
        // log's to undo: no other log holds its TxnID as posted.
        const bool posted = t.outcome == TransactionRecord::Outcome::Posted || t.sentWithoutAnswer;
        if (t.txnId.empty() || (!posted && t.outcome != TransactionRecord::Outcome::AlreadyThere)) continue;
        bool seen = std::any_of(r.entries.begin(), r.entries.end(),
                                [&](const LoggedEntry& x) { return x.txnId == t.txnId; });
        if (!seen) r.entries.push_back({t.number, t.referenceNumber, t.txnId, posted});
    }
    // The undone blocks after the run's lines.
    TextReader in = TextReader::fromBytes(logBytes);
    while (!in.atEnd()) {
        const std::string line = in.readLine();
        if (!line.starts_with(kRemovedMark)) continue;
        std::string_view rest = std::string_view(line).substr(std::string_view(kRemovedMark).size());
        r.removed.insert(std::string(trimmedView(rest.substr(0, rest.find(kInvoice)), kWhitespace)));
    }
    return r;
}

std::string headingLine(const std::string& shortDate, const std::string& time) {
    return "Undo of this import " + shortDate + " : " + time;
}

std::string removedLine(const LoggedEntry& e) {
    return kRemovedMark + entryText(e);
}

std::string notRemovedLine(const LoggedEntry& e, const std::string& reason) {
    return "Not removed : TxnID " + entryText(e) + " - " + reason;
}

std::string notTouchedLine(const LoggedEntry& e, const std::string& reason) {
    return "Not touched : TxnID " + entryText(e) + " - " + reason;
}

}  // namespace ztl::undolog
