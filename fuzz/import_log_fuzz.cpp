// The import log's reader: any bytes as a log handed to an undo. The reading never fails,
// holds to the run's rule of what was posted, and whatever it reads, written again with the
// run's own writer, reads back the same: the reader takes nothing from a line that the
// writer would not put there.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <set>
#include <string>
#include <vector>

#include "engine/company/import_log.h"
#include "engine/company/import_log_reader.h"
#include "engine/review/undo_log.h"

namespace {

using ztl::TransactionRecord;
namespace importlog = ztl::importlog;

void require(bool holds) {
    if (!holds) std::abort();
}

// The log as the run would have written what was read.
std::string writtenAgain(const importlog::LoggedRun& run) {
    std::vector<std::string> lines;
    if (run.isImportLog) {
        lines = {importlog::headingLine("12/07/2026", "9:05:03 PM"), importlog::ruleLine(),
                 importlog::kBlankLine};
    }
    auto note = [&](const std::string& line) {
        lines.push_back(line);
        lines.push_back(importlog::kBlankLine);
    };
    if (!run.lockTakenOverFrom.empty()) note(importlog::lockTakenOverLine(run.lockTakenOverFrom));
    if (run.duplicateCheckOff) note(importlog::kDuplicateCheckOffLine);
    if (run.stoppedUnasked) note(importlog::duplicateCheckFailedLine(""));
    for (const auto& t : run.transactions) {
        std::vector<std::string> notes;
        for (const auto& other : t.otherEntries) notes.push_back(importlog::otherEntryLine(other));
        std::vector<std::string> block;
        if (t.outcome == TransactionRecord::Outcome::AlreadyThere) {
            block = t.sentWithoutAnswer
                        ? importlog::sentUnansweredBlock(t.number, t.referenceNumber, t.txnId, t.sentBy)
                        : importlog::alreadyPostedBlock(t.number, t.referenceNumber, t.txnId);
            block.insert(block.begin() + 1, notes.begin(), notes.end());
        } else if (t.outcome == TransactionRecord::Outcome::NoAnswer) {
            block = {importlog::transactionHeading(t.number, t.referenceNumber)};
            block.insert(block.end(), notes.begin(), notes.end());
            block.push_back(importlog::kBlankLine);
        } else {
            block = importlog::answerBlock(t.number, t.referenceNumber, notes, t.statusCode, t.statusSeverity,
                                           t.statusMessage, t.txnId);
        }
        lines.insert(lines.end(), block.begin(), block.end());
    }
    std::string bytes;
    for (const auto& line : lines) bytes += line + "\r\n";
    return bytes;
}

bool same(const importlog::LoggedTransaction& a, const importlog::LoggedTransaction& b) {
    return a.number == b.number && a.referenceNumber == b.referenceNumber && a.outcome == b.outcome &&
           a.txnId == b.txnId && a.statusCode == b.statusCode && a.statusSeverity == b.statusSeverity &&
           a.statusMessage == b.statusMessage && a.otherEntries == b.otherEntries &&
           a.sentWithoutAnswer == b.sentWithoutAnswer && a.sentBy == b.sentBy;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);

    const importlog::LoggedRun run = importlog::readLog(bytes);
    for (const auto& t : run.transactions) {
        if (t.outcome == TransactionRecord::Outcome::Posted)
            require(!t.txnId.empty() && t.statusSeverity != "Error");
        if (t.outcome != TransactionRecord::Outcome::Posted &&
            t.outcome != TransactionRecord::Outcome::Refused)
            require(t.statusCode.empty() && t.statusSeverity.empty() && t.statusMessage.empty());
    }

    const importlog::LoggedRun again = importlog::readLog(writtenAgain(run));
    require(again.isImportLog == run.isImportLog && again.duplicateCheckOff == run.duplicateCheckOff &&
            again.stoppedUnasked == run.stoppedUnasked && again.lockTakenOverFrom == run.lockTakenOverFrom &&
            again.transactions.size() == run.transactions.size());
    for (size_t i = 0; i < run.transactions.size(); ++i)
        require(same(again.transactions[i], run.transactions[i]));

    // The undo's view: each entry once, with its TxnID.
    const ztl::undolog::ImportLogRecord record = ztl::undolog::readImportLog(bytes);
    require(record.isImportLog == run.isImportLog);
    std::set<std::string> ids;
    for (const auto& e : record.entries) require(!e.txnId.empty() && ids.insert(e.txnId).second);
    return 0;
}
