// clsZTL: the duplicate guard. Before a run sends its first entry it asks QuickBooks which
// of the file's transactions it holds already, and sends none of those again: a day that
// reaches an import twice (an archive put back, a run killed and started again, an answer
// lost on its way back) is then still posted once.
#include <algorithm>

#include "engine/company/import_settings.h"
#include "engine/import/cls_ztl.h"
#include "engine/company/import_log.h"
#include "engine/company/quickbooks_session.h"
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

bool clsZTL::alreadyPosted() {
    pendingNotes_.clear();
    // A transaction the import refuses is not one QuickBooks could hold: the import reports why.
    if (!posted_ || !plan_.sendable()) return false;
    PostedEntries::Match match = posted_->claim(plan_.entry);
    const PostedEntry* held = match.same ? match.same : match.changed;
    if (!held) {
        for (const PostedEntry* other : match.others)
            pendingNotes_.push_back(importlog::otherEntryLine(utf8ToWindows1252(other->txnId)));
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
    // Posted once by an import and changed by hand since: a second copy would count the
    // day twice, so the operator is told which entry to look at instead.
    importlog::writeBlock(*log,
                          match.changed ? importlog::changedEntryBlock(number, referenceNumber, txnId, changedSinceMade(*match.changed))
                                        : importlog::alreadyPostedBlock(number, referenceNumber, txnId),
                          number, referenceNumber);
    ImportSuccess = true;
    advanceReferenceNumber();
    return true;
}

}  // namespace ztl
