#include "engine/review/undo_run.h"

#include <filesystem>

#include "engine/company/file_names.h"
#include "engine/company/import_log.h"
#include "platform/paths.h"
#include "platform/text_file.h"
#include "platform/trim.h"
#include "platform/windows1252.h"
#include "qbxml/requests.h"
#include "qbxml/undo_answers.h"

namespace ztl {
namespace {

using Plan = UndoEntry::Plan;
using Outcome = UndoEntry::Outcome;


std::string trimmed(const std::string& s) {
    return std::string(trimmedView(s, kWhitespace));
}

std::string askFailure(const std::exception& ex) {
    VbError e = toVbError(ex);
    return "QuickBooks did not answer (error # " + std::to_string(e.number) + ": " + e.description + ")";
}

// The log beside `logPath` of the same totals file (the last, or a kept one) whose run posted
// the entry with this TxnID, by its file name; empty when none of them did.
std::string logThatPosted(const std::string& logPath, const std::string& txnId) {
    const std::filesystem::path log = paths::map(logPath);
    // The logs' own name: "12QBImport.log" for the kept "12QBImport.log.2".
    std::string name = log.filename().string();
    if (!name.ends_with(kImportLogTail)) name = name.substr(0, name.find_last_of('.'));
    const std::filesystem::path folder = log.has_parent_path() ? log.parent_path() : ".";
    std::error_code ec;
    for (std::filesystem::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string other = it->path().filename().string();
        if (other == log.filename().string() || (other != name && !keptLogNumber(other, name))) continue;
        try {
            for (const auto& e : undolog::readImportLog(readWholeFile(it->path())).entries)
                if (e.postedByThisRun && e.txnId == txnId) return other;
        } catch (const std::exception&) {
        }
    }
    return {};
}

std::string entryWords(const UndoEntry& e) {
    return "TxnID " + e.logged.txnId + "    Invoice : " + e.logged.referenceNumber +
           (e.txnDate.empty() ? "" : "    dated " + e.txnDate);
}

}  // namespace

int UndoPlan::toRemove() const {
    int n = 0;
    for (const auto& e : entries) n += e.plan == Plan::Remove;
    return n;
}

bool UndoPlan::complete() const {
    for (const auto& e : entries)
        if (e.plan == Plan::Refuse || (e.plan == Plan::Remove && e.outcome != Outcome::Removed)) return false;
    return true;
}

bool UndoPlan::postedAnything() const {
    for (const auto& e : entries)
        if (e.plan != Plan::Keep) return true;
    return false;
}

std::vector<std::string> UndoPlan::listing() const {
    std::vector<std::string> out;
    for (const auto& e : entries) {
        switch (e.plan) {
            case Plan::Remove:
                out.push_back("To remove  : " + entryWords(e));
                break;
            case Plan::Refuse:
                out.push_back("Not removed: " + entryWords(e) + " - " + e.reason);
                break;
            case Plan::AlreadyGone:
            case Plan::Keep:
                out.push_back("Not touched: " + entryWords(e) + " - " + e.reason);
                break;
        }
    }
    if (!totalsNote.empty()) out.push_back(totalsNote);
    return out;
}

std::vector<std::string> UndoPlan::report() const {
    std::vector<std::string> out;
    int removed = 0, refused = 0, failed = 0, untouched = 0, notTried = 0;
    for (const auto& e : entries) {
        if (e.plan == Plan::Remove && e.outcome == Outcome::Removed) {
            ++removed;
            out.push_back(undolog::removedLine(e.logged));
        } else if (e.plan == Plan::Remove && e.outcome == Outcome::Failed) {
            ++failed;
            out.push_back(undolog::notRemovedLine(e.logged, "QuickBooks refused: " + e.failure));
        } else if (e.plan == Plan::Remove) {
            ++notTried;
            out.push_back(undolog::notRemovedLine(e.logged, "not sent: the undo stopped before it"));
        } else if (e.plan == Plan::Refuse) {
            ++refused;
            out.push_back(undolog::notRemovedLine(e.logged, e.reason));
        } else {
            ++untouched;
            out.push_back(undolog::notTouchedLine(e.logged, e.reason));
        }
    }
    out.push_back(std::to_string(removed) + " removed, " + std::to_string(refused + failed + notTried) +
                  " not removed, " + std::to_string(untouched) + " not touched" +
                  (complete() ? " - QuickBooks holds none of the entries this import posted."
                              : " - QuickBooks still holds entries this import posted."));
    return out;
}

std::string undoConfirmationText(const UndoPlan& plan) {
    std::string text = "Undo of the import recorded in " + plan.logPath + "\n\n";
    for (const auto& line : plan.listing()) text += line + "\n";
    text += "\n" + std::to_string(plan.toRemove()) + " journal entr" + (plan.toRemove() == 1 ? "y" : "ies") +
            " will be removed from QuickBooks for good.\nType YES to remove them.";
    return text;
}

UndoPlan planUndo(CompanySession& company, const std::string& logPath, const std::string& totalsPathGiven) {
    UndoPlan plan;
    plan.logPath = logPath;
    std::string bytes;
    try {
        bytes = readWholeFile(paths::map(logPath));
    } catch (const std::exception& ex) {
        throw CompanyError("The import log " + logPath + " could not be read (" +
                               toVbError(ex).description + ").");
    }
    undolog::ImportLogRecord record = undolog::readImportLog(bytes);
    if (!record.isImportLog) throw CompanyError(logPath + " is not an import log.");
    if (record.entries.empty()) return plan;

    // The totals file's transactions, when the file is at hand.
    company.chart();
    std::optional<PlannedDay> day;
    std::string totalsPath = totalsPathGiven.empty() ? totalsPathOfLog(logPath) : totalsPathGiven;
    std::error_code ec;
    if (!totalsPath.empty() && std::filesystem::exists(paths::map(totalsPath), ec)) {
        day = company.readDay(totalsPath);
        plan.totalsNote = "Each entry's lines were compared with the totals file " + totalsPath + ".";
    } else if (!totalsPathGiven.empty()) {
        throw CompanyError("The totals file " + totalsPathGiven + " does not exist.");
    } else {
        plan.totalsNote =
            "The totals file is not beside the log: each entry was checked against QuickBooks' own "
            "record of its changes only.";
    }

    try {
        plan.closingDate = closingDateOf(company.ask(preferencesQueryRequest()));
    } catch (const qbxml::AnswerError& e) {
        throw CompanyError(std::string("The company's closing date could not be read: ") + e.what());
    } catch (const std::exception& ex) {
        throw CompanyError("The company's closing date could not be read: " + askFailure(ex) + ".");
    }

    for (const auto& logged : record.entries) {
        UndoEntry u;
        u.logged = logged;
        if (!logged.postedByThisRun) {
            u.plan = Plan::Keep;
            u.reason = "QuickBooks held it before this import: an earlier run posted it";
            if (const std::string earlier = logThatPosted(logPath, logged.txnId); !earlier.empty())
                u.reason += ": " + earlier;
            plan.entries.push_back(std::move(u));
            continue;
        }
        JournalEntryQueryAnswer answer;
        try {
            answer = readJournalEntryQuery(company.ask(journalEntryByTxnIdRequest(logged.txnId)));
        } catch (const std::exception& ex) {
            throw CompanyError("QuickBooks could not be asked for entry TxnID " + logged.txnId + ": " +
                                   askFailure(ex) + ". Nothing was removed.");
        }
        // QuickBooks says "nothing matched" (1) or, for a TxnID it does not hold, that the
        // query could not be completed (500); anything else is a refusal, not an answer.
        if (!answer.answered() && !(answer.statusCode == "500" && answer.entries.empty()))
            throw CompanyError("QuickBooks refused the question for entry TxnID " + logged.txnId +
                                   ": status " + answer.statusCode + " (" + answer.statusSeverity + "): " +
                                   utf8ToWindows1252(answer.statusMessage) + ". Nothing was removed.");
        const PostedEntry* entry = nullptr;
        for (const auto& e : answer.entries)
            if (utf8ToWindows1252(e.txnId) == logged.txnId) entry = &e;
        if (!entry) {
            // QuickBooks answers a TxnID it does not hold with "not found" rather than an
            // empty list: both say the same.
            u.plan = Plan::AlreadyGone;
            u.reason = record.removed.count(logged.txnId) ? "already removed by an earlier undo"
                                                          : "QuickBooks no longer holds it";
            plan.entries.push_back(std::move(u));
            continue;
        }
        u.txnDate = utf8ToWindows1252(trimmed(entry->txnDate));
        if (!sameQuickBooksName(utf8ToWindows1252(entry->refNumber), logged.referenceNumber) ||
            !carriesImportMemo(*entry)) {
            u.plan = Plan::Refuse;
            u.reason = "it is not the entry this import posted: its invoice number is \"" +
                       utf8ToWindows1252(entry->refNumber) + "\" or a line lacks the import's memo";
        } else if (trimmed(entry->timeModified) != trimmed(entry->timeCreated)) {
            u.plan = Plan::Refuse;
            u.reason = "modified in QuickBooks since it was posted (TimeModified " +
                       trimmed(entry->timeModified) + ", TimeCreated " + trimmed(entry->timeCreated) + ")";
        } else if (day && std::none_of(day->transactions.begin(), day->transactions.end(),
                                       [&](const DayTransaction& t) {
                                           return t.transaction && sameKey(*t.transaction, *entry) &&
                                                  sameLines(*t.transaction, *entry, company.chart());
                                       })) {
            u.plan = Plan::Refuse;
            u.reason = "its lines are not the totals file's transaction " + logged.referenceNumber +
                       " (is it this import's totals file?)";
        } else if (!plan.closingDate.empty() && u.txnDate <= plan.closingDate) {
            u.plan = Plan::Refuse;
            u.reason = "dated on or before the company's closing date " + plan.closingDate;
        }
        plan.entries.push_back(std::move(u));
    }
    return plan;
}

void carryOutUndo(CompanySession& company, UndoPlan& plan, const Clock* clock) {
    TextWriter log(paths::map(plan.logPath), TextWriter::Mode::Append);
    LocalDateTime now = clock ? clock->now() : LocalDateTime{};
    log.writeLine(importlog::kBlankLine);
    log.writeLine(
        undolog::headingLine(clock ? clock->shortDate(now) : "", clock ? clock->timeText(now) : ""));
    log.writeLine(importlog::ruleLine());
    if (!plan.totalsNote.empty()) log.writeLine(plan.totalsNote);
    log.sync();
    bool stopped = false;
    for (auto& e : plan.entries) {
        if (e.plan != Plan::Remove || stopped) continue;
        try {
            DeleteAnswer answer = readDeleteAnswer(company.ask(journalEntryDeleteRequest(e.logged.txnId)));
            if (answer.removed()) {
                e.outcome = Outcome::Removed;
            } else {
                e.outcome = Outcome::Failed;
                e.failure = "status " + answer.statusCode + " (" + answer.statusSeverity +
                            "): " + answer.statusMessage;
            }
        } catch (const qbxml::AnswerError& ex) {
            // Whether it was removed is unknown: the next undo, or a reconcile, finds out.
            e.outcome = Outcome::Failed;
            e.failure = std::string("its answer could not be read (") + ex.what() + ")";
            stopped = true;
        } catch (const std::exception& ex) {
            e.outcome = Outcome::Failed;
            e.failure = askFailure(ex);
            stopped = true;
        }
        // Written through before the next delete goes out: the log is the record of what is gone.
        log.writeLine(e.outcome == Outcome::Removed
                          ? undolog::removedLine(e.logged)
                          : undolog::notRemovedLine(e.logged, "QuickBooks refused: " + e.failure));
        log.sync();
    }
    for (const auto& e : plan.entries) {
        if (e.plan == Plan::Remove && e.outcome == Outcome::NotTried)
            log.writeLine(undolog::notRemovedLine(e.logged, "not sent: the undo stopped before it"));
        else if (e.plan == Plan::Refuse)
            log.writeLine(undolog::notRemovedLine(e.logged, e.reason));
        else if (e.plan != Plan::Remove)
            log.writeLine(undolog::notTouchedLine(e.logged, e.reason));
    }
    log.writeLine(plan.report().back());
    log.writeLine(importlog::kBlankLine);
    log.close();
}

}  // namespace ztl
