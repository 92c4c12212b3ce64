// clsZTL: the duplicate guard. Before a run sends its first entry it asks QuickBooks which
// of the file's transactions it holds already, and sends none of those again: a day that
// reaches an import twice (an archive put back, a run killed and started again, an answer
// lost on its way back) is then still posted once. An answer lost in the middle of a run
// costs that one entry: the run asks again over a new connection and goes on.
#include <algorithm>
#include <set>

#include "engine/company/import_settings.h"
#include "engine/import/cls_ztl.h"
#include "engine/company/import_log.h"
#include "engine/company/quickbooks_session.h"
#include "engine/company/settings_keys.h"
#include "engine/import/unanswered_requests.h"
#include "platform/calendar.h"
#include "platform/paths.h"
#include "platform/trim.h"
#include "platform/windows1252.h"

namespace ztl {

bool clsZTL::duplicateCheckOn() const {
    return duplicateGuardOn(program_);
}

std::string clsZTL::askQuickBooks(const std::string& request) {
    if (!program_.requestProcessor) throw vbError(vb::kObjectNotSet);
    return askInOneSession(*program_.requestProcessor, QBCompany, request);
}

bool clsZTL::findPostedEntries(TextWriter& log, const StoreDay& day) {
    posted_.reset();
    pendingNotes_.clear();
    askedDays_.reset();
    askAgainBeforeNext_ = false;
    notAskedAgain_.reset();
    sentThisRun_.clear();
    // The log beside it was kept a moment ago: it and the earlier ones tell what went unanswered.
    unansweredEarlier_ =
        record_.logPath.empty() ? std::map<std::string, std::string>{} : unansweredInKeptLogs(paths::map(record_.logPath));
    if (!duplicateCheckOn()) {
        log.writeLine(importlog::kDuplicateCheckOffLine);
        log.writeLine(importlog::kBlankLine);
        log.sync();
        return true;
    }

    // The days the file's transactions fall on. A file the walk cannot read, or a date it
    // cannot convert, is reported by the walk itself, transaction by transaction.
    if (!day.first) {
        posted_.emplace(std::vector<PostedEntry>{}, CompanyChart{});
        return true;
    }

    if (ImportRunView* w = program_.mainWindow) {
        w->setStatusCaption("Asking QuickBooks which transactions it already holds...");
        w->repaintStatus();
    }
    std::string reason;
    try {
        // The entries name their accounts by full name, the store's lines by number: the chart
        // of the company open now relates the two. The multi-store run reads it afresh, as it
        // does before every entry; the single-store run keeps the one its window loaded.
        if (program_.edition == Edition::MultiStore || lastCoaResponse_.empty()) LoadQbCoa();
        if (cZTLError || lastCoaResponse_.empty()) {
            reason = "Its chart of accounts could not be read.";
        } else {
            CompanyChart chart = chart_.lastAnswer();
            auto entries = queryPostedEntries([this](const std::string& r) { return askQuickBooks(r); }, *day.first,
                                              *day.last, duplicateQueryPageSize);
            posted_.emplace(std::move(entries), std::move(chart));
            askedDays_.emplace(*day.first, *day.last);
            return true;
        }
    } catch (const qbxml::AnswerError& e) {
        reason = e.what();
    } catch (const std::exception& ex) {
        reason = toVbError(ex).description;
    }

    record_.stoppedUnasked = true;
    for (TransactionRecord& t : record_.transactions)
        t.reason = "QuickBooks could not be asked which transactions it already holds: " + reason;
    log.writeLine(importlog::duplicateCheckFailedLine(reason));
    log.writeLine(importlog::kBlankLine);
    log.sync();
    reportAndLog("QuickBooks could not be asked which of these transactions it already holds, so nothing was "
                 "posted: a transaction it holds would have been posted a second time.\n\n" +
                     reason +
                     "\n\nThe totals file stays as it is. To import without asking, knowing that a transaction "
                     "QuickBooks already holds is then posted again, set DuplicateCheck to off (ztl import "
                     "--no-duplicate-check).",
                 MsgIcon::Exclamation);
    return false;
}

void clsZTL::askAgainAfterLostAnswer() {
    askAgainBeforeNext_ = false;
    try {
        if (!processor_) throw vbError(vb::kObjectNotSet);
        // Through the Web Connector this waits for its next session, as the run's first did.
        processor_->OpenConnection("", kQuickBooksAppName);
    } catch (const std::exception& ex) {
        notAskedAgain_ = "QuickBooks could not be reached again after an answer was lost: " + toVbError(ex).description;
    }
    // A run told to send without asking goes on as told.
    if (notAskedAgain_ || !posted_ || !askedDays_) return;
    std::vector<PostedEntry> entries;
    try {
        entries = queryPostedEntries([this](const std::string& r) { return askQuickBooks(r); }, askedDays_->first,
                                     askedDays_->second, duplicateQueryPageSize);
    } catch (const qbxml::AnswerError& e) {
        notAskedAgain_ = std::string("QuickBooks could not be asked again after an answer was lost: ") + e.what();
    } catch (const std::exception& ex) {
        notAskedAgain_ = "QuickBooks could not be asked again after an answer was lost: " + toVbError(ex).description;
    }
    if (notAskedAgain_) return;
    // The entries this run has recorded already are theirs; the rest stand for the others.
    std::set<std::string> recorded;
    for (const TransactionRecord& t : record_.transactions)
        if (!t.txnId.empty() && (t.outcome == TransactionRecord::Outcome::Posted ||
                                 t.outcome == TransactionRecord::Outcome::AlreadyThere))
            recorded.insert(t.txnId);
    std::erase_if(entries, [&](const PostedEntry& e) { return recorded.count(utf8ToWindows1252(e.txnId)) > 0; });
    CompanyChart chart = posted_->chart();
    posted_.emplace(std::move(entries), std::move(chart));

    // An entry whose answer was lost and that QuickBooks holds is found now, before a later
    // transaction of the same lines could take it for its own.
    TextWriter* log = program_.importLog;
    const std::string logName = record_.logPath.empty() ? std::string() : paths::map(record_.logPath).filename().string();
    for (auto& [record, entry] : sentThisRun_) {
        if (record->outcome != TransactionRecord::Outcome::NoAnswer) continue;
        PostedEntries::Match match = posted_->claim(entry);
        const PostedEntry* held = match.same ? match.same : match.changed;
        if (!held || !log) continue;
        const int number = transactionNumber++;
        record->outcome = TransactionRecord::Outcome::AlreadyThere;
        record->txnId = utf8ToWindows1252(held->txnId);
        record->logNumber = number;
        record->changedInQuickBooks = match.changed != nullptr;
        record->sentWithoutAnswer = true;
        importlog::writeBlock(*log,
                              importlog::sentUnansweredBlock(
                                  number, record->referenceNumber, record->txnId, logName,
                                  match.changed ? std::optional<bool>(changedSinceMade(*match.changed)) : std::nullopt),
                              number, record->referenceNumber);
    }
}

bool clsZTL::settledWithoutSending() {
    pendingNotes_.clear();
    if (askAgainBeforeNext_) {
        askAgainAfterLostAnswer();
        if (notAskedAgain_)
            reportAndLog(*notAskedAgain_ + "\n\nNothing more was sent in this import; the next import asks QuickBooks "
                                           "first and sends what is missing.",
                         MsgIcon::Exclamation);
    }
    if (notAskedAgain_) {
        recordNotSent(*notAskedAgain_);
        return true;
    }
    // A transaction the import refuses is not one QuickBooks could hold: the import reports why.
    if (!posted_ || !plan_.sendable()) return false;
    PostedEntries::Match match = posted_->claim(plan_.entry);
    const PostedEntry* held = match.same ? match.same : match.changed;
    if (!held) {
        for (const PostedEntry* other : match.others)
            pendingNotes_.push_back(importlog::otherEntryLine(utf8ToWindows1252(other->txnId)));
        if (current_) sentThisRun_.emplace_back(current_, plan_.entry);
        return false;
    }
    TextWriter* log = program_.importLog;
    if (!log) throw vbError(vb::kBadFileNameOrNumber);
    const int number = transactionNumber++;
    const std::string txnId = utf8ToWindows1252(held->txnId);
    if (current_) {
        current_->outcome = TransactionRecord::Outcome::AlreadyThere;
        current_->changedInQuickBooks = match.changed != nullptr;
        current_->logNumber = number;
        current_->txnId = txnId;
    }
    // An earlier run sent it and its answer never came: this log records it as posted by
    // the import, so that an undo reaches it.
    auto unanswered = unansweredEarlier_.find(referenceNumber);
    if (unanswered != unansweredEarlier_.end()) {
        if (current_) current_->sentWithoutAnswer = true;
        importlog::writeBlock(
            *log,
            importlog::sentUnansweredBlock(
                number, referenceNumber, txnId, unanswered->second,
                match.changed ? std::optional<bool>(changedSinceMade(*match.changed)) : std::nullopt),
            number, referenceNumber);
        unansweredEarlier_.erase(unanswered);
    } else {
        // Posted once by an import and changed by hand since: a second copy would count the
        // day twice, so the operator is told which entry to look at instead.
        importlog::writeBlock(*log,
                              match.changed ? importlog::changedEntryBlock(number, referenceNumber, txnId,
                                                                           changedSinceMade(*match.changed))
                                            : importlog::alreadyPostedBlock(number, referenceNumber, txnId),
                              number, referenceNumber);
    }
    ImportSuccess = true;
    advanceReferenceNumber();
    return true;
}

}  // namespace ztl
