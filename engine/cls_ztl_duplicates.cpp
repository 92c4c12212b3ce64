// clsZTL: the duplicate guard. Before a run sends its first entry it asks QuickBooks which
// of the file's transactions it holds already, and sends none of those again: a day that
// reaches an import twice (an archive put back, a run killed and started again, an answer
// lost on its way back) is then still posted once.
#include <algorithm>

#include "engine/check_run.h"
#include "engine/cls_ztl.h"
#include "engine/import_block_reader.h"
#include "engine/import_log.h"
#include "engine/quickbooks_session.h"
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

bool clsZTL::findPostedEntries(TextWriter& log) {
    posted_.reset();
    pendingNotes_.clear();
    program_.alreadyInQuickBooks = 0;
    program_.importStoppedUnasked = false;
    if (!duplicateCheckOn()) {
        log.writeLine(importlog::kDuplicateCheckOffLine);
        log.writeLine(importlog::kBlankLine);
        log.sync();
        return true;
    }

    // The days the file's transactions fall on. A file the walk cannot read, or a date it
    // cannot convert, is reported by the walk itself, transaction by transaction.
    long first = 0, last = 0;
    bool anyDate = false;
    try {
        TextReader in(paths::map(source_));
        ImportBlockReader blocks(in);
        blocks.readFirstLine();
        while (auto block = blocks.next()) {
            if (block->lines.empty()) continue;
            try {
                CalendarDate d = readStoreDate(block->dateText);
                long day = dayNumber(d.year, d.month, d.day);
                first = anyDate ? std::min(first, day) : day;
                last = anyDate ? std::max(last, day) : day;
                anyDate = true;
            } catch (const VbError&) {
            }
        }
    } catch (const std::exception&) {
    }
    if (!anyDate) {
        posted_.emplace(std::vector<PostedEntry>{}, ChartOfAccounts{});
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
            ChartOfAccounts chart = ChartOfAccounts::fromResponse(lastCoaResponse_);
            CalendarDate from, to;
            dateOfDayNumber(first, from.year, from.month, from.day);
            dateOfDayNumber(last, to.year, to.month, to.day);
            auto entries = queryPostedEntries([this](const std::string& r) { return askQuickBooks(r); }, from, to,
                                              duplicateQueryPageSize);
            posted_.emplace(std::move(entries), std::move(chart));
            return true;
        }
    } catch (const qbxml::AnswerError& e) {
        reason = e.what();
    } catch (const std::exception& ex) {
        reason = toVbError(ex).description;
    }

    program_.importStoppedUnasked = true;
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
    if (!posted_) return false;
    std::string request;
    try {
        CalendarDate date = readStoreDate(transactionDateText);
        request = journalEntryRequest(referenceNumber, date, sorted_,
                                      [this](const std::string& code) { return GetEntAcct(code); });
    } catch (const VbError&) {
        return false;  // not a transaction QuickBooks could hold: the import reports why
    }
    PostedEntries::Match match = posted_->claim(transactionOfRequest(request));
    if (!match.same) {
        for (const PostedEntry* other : match.others)
            pendingNotes_.push_back(importlog::otherEntryLine(utf8ToWindows1252(other->txnId)));
        return false;
    }
    TextWriter* log = program_.importLog;
    if (!log) throw vbError(vb::kBadFileNameOrNumber);
    const int number = transactionNumber++;
    importlog::writeBlock(*log,
                          {importlog::transactionHeading(number, referenceNumber),
                           importlog::alreadyPostedLine(utf8ToWindows1252(match.same->txnId)), importlog::kBlankLine},
                          number, referenceNumber);
    ImportSuccess = true;
    ++program_.alreadyInQuickBooks;
    advanceReferenceNumber();
    return true;
}

}  // namespace ztl
