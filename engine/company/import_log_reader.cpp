#include "engine/company/import_log_reader.h"

#include <charconv>
#include <optional>

#include "engine/company/import_log.h"
#include "platform/text_file.h"

namespace ztl::importlog {
namespace {

// The text after `mark` when the line starts with it.
std::optional<std::string_view> after(std::string_view line, std::string_view mark) {
    if (!line.starts_with(mark)) return std::nullopt;
    return line.substr(mark.size());
}

// The text between `mark` and `end` when the line is exactly mark, text, end.
std::optional<std::string_view> between(std::string_view line, std::string_view mark, std::string_view end) {
    auto rest = after(line, mark);
    if (!rest || !rest->ends_with(end)) return std::nullopt;
    return rest->substr(0, rest->size() - end.size());
}

// "Transaction : <n>    Invoice : <reference>"; nothing for a line that only starts so.
std::optional<LoggedTransaction> heading(std::string_view line) {
    auto rest = after(line, kTransactionMark);
    if (!rest) return std::nullopt;
    LoggedTransaction t;
    auto [end, error] = std::from_chars(rest->data(), rest->data() + rest->size(), t.number);
    if (error != std::errc() || end == rest->data()) return std::nullopt;
    auto reference = after(rest->substr(static_cast<size_t>(end - rest->data())), kInvoiceMark);
    if (!reference) return std::nullopt;
    t.referenceNumber = std::string(*reference);
    return t;
}

// "Response Status Code : <c>       Return StatusSeverity Code : <s>   Import result ID :<id>".
// The separators are looked for left to right: the TxnID, written last, is all the rest.
bool readStatus(std::string_view line, LoggedTransaction& t) {
    auto rest = after(line, kStatusCodeMark);
    if (!rest) return false;
    const std::string_view severityMark = kSeverityMark, idMark = kResultIdMark;
    const size_t severity = rest->find(severityMark);
    if (severity == std::string_view::npos) return false;
    const size_t id = rest->find(idMark, severity + severityMark.size());
    if (id == std::string_view::npos) return false;
    t.statusCode = std::string(rest->substr(0, severity));
    t.statusSeverity =
        std::string(rest->substr(severity + severityMark.size(), id - severity - severityMark.size()));
    t.txnId = std::string(rest->substr(id + idMark.size()));
    t.outcome = answerOutcome(t.statusSeverity, t.txnId);
    return true;
}

}  // namespace

LoggedRun readLog(std::string_view bytes) {
    LoggedRun run;
    // The run ends every line it writes. A last line without its end was cut short (a disk
    // that filled, a run that was killed): it is not read, lest a TxnID cut in two be taken
    // for an entry of the run.
    const size_t lastEnd = bytes.find_last_of("\r\n");
    bytes = bytes.substr(0, lastEnd == std::string_view::npos ? 0 : lastEnd + 1);
    TextReader in = TextReader::fromBytes(std::string(bytes));
    // The block being read: from its heading to the blank line the run ends it with.
    LoggedTransaction* block = nullptr;
    bool answered = false, messageRead = false;
    for (bool first = true; !in.atEnd(); first = false) {
        const std::string line = in.readLine();
        if (first) run.isImportLog = line.starts_with(kHeadingMark);
        if (line.starts_with(kTransactionMark)) {
            auto t = heading(line);
            block = t ? &run.transactions.emplace_back(std::move(*t)) : nullptr;
            answered = messageRead = false;
        } else if (line == kBlankLine) {
            block = nullptr;
        } else if (!block) {
            if (line == kDuplicateCheckOffLine) run.duplicateCheckOff = true;
            if (line.starts_with(kDuplicateCheckFailedMark)) run.stoppedUnasked = true;
            if (auto holder = between(line, kLockTakenOverMark, kLockTakenOverEnd))
                run.lockTakenOverFrom = std::string(*holder);
        } else if (auto other = between(line, kOtherEntryMark, kOtherEntryEnd)) {
            block->otherEntries.emplace_back(*other);
        } else if (auto sent = between(line, kSentUnansweredMark, kSentUnansweredEnd);
                   sent && block->outcome == TransactionRecord::Outcome::AlreadyThere) {
            // "<log name> : TxnID <id>": the TxnID is the one the block holds.
            const size_t at = sent->rfind(kSentUnansweredTxnMark);
            if (at != std::string_view::npos &&
                sent->substr(at + std::string_view(kSentUnansweredTxnMark).size()) == block->txnId) {
                block->sentWithoutAnswer = true;
                block->sentBy = std::string(sent->substr(0, at));
            }
        } else if (answered) {
            // The message line follows its status line; an already-posted block has none.
            if (auto message = after(line, kMessageMark); message && !messageRead) {
                block->statusMessage = std::string(*message);
                messageRead = true;
            }
        } else if (line.starts_with(kAlreadyPostedMark)) {
            auto held = between(line, kAlreadyPostedMark, kAlreadyPostedEnd);
            block->txnId = std::string(held ? *held : *after(line, kAlreadyPostedMark));
            block->outcome = TransactionRecord::Outcome::AlreadyThere;
            answered = messageRead = true;
        } else if (auto changed = between(line, kChangedEntryMark, kChangedEntryEnd)) {
            block->txnId = std::string(*changed);
            block->outcome = TransactionRecord::Outcome::AlreadyThere;
            block->changedInQuickBooks = true;
            answered = messageRead = true;
        } else if (auto otherLines = between(line, kChangedEntryMark, kOtherLinesEntryEnd)) {
            // An import's entry whose lines are not the file's now: held, not sent again.
            block->txnId = std::string(*otherLines);
            block->outcome = TransactionRecord::Outcome::AlreadyThere;
            answered = messageRead = true;
        } else {
            answered = readStatus(line, *block);
        }
    }
    return run;
}

}  // namespace ztl::importlog
