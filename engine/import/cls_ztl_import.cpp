// clsZTL: the import run, one journal entry per transaction, and the entity lookup.
#include <unistd.h>

#include <algorithm>
#include <ctime>

#include "engine/import/cls_ztl.h"
#include "engine/posting/entity_rule.h"
#include "engine/import/import_lock.h"
#include "engine/company/import_log.h"
#include "engine/import/kept_logs.h"
#include "engine/import/run_summary.h"
#include "engine/company/operation_log.h"
#include "platform/computer_name.h"
#include "platform/error_report.h"
#include "platform/paths.h"
#include "platform/store_date.h"
#include "platform/text_file.h"

namespace ztl {

std::string importRunReport(Edition edition, const VbError& e, int statement) {
    if (edition == Edition::SingleStore)
        return moduleErrorReport("Error in module clsZTL.NewStartImport", e.number, e.description, {},
                                 ErrorWord::Capital, "\n");
    return moduleErrorReport("Error in module clsZTL.NewStartImport", e.number, e.description,
                             "\r\nLine # " + std::to_string(statement), ErrorWord::Capital, "\r\n");
}

std::string clsZTL::GetEntAcct(const std::string& accountCode) {
    std::string result;
    try {
        if (chart_.byNumber(accountCode))
            result = importEntityFor(chart_, accountCode,
                                     {setting("ARImportAccount"), setting("VendorImportAccount"),
                                      setting("TaxImportAccount")});
    } catch (const std::exception& ex) {
        reportModuleError("Error in module clsZTL.GetEntAcct", toVbError(ex));
    }
    return result;
}

void clsZTL::DoImport() {
    std::unique_ptr<TextWriter> copy;
    try {
        requestText.clear();
        // A date the import cannot read stops the transaction before anything is written.
        if (plan_.refusal && plan_.refusal->number != kZeroAmountError) throw *plan_.refusal;
        copy = std::make_unique<TextWriter>(program_.installFolder / "inpxmltest.xml");
        // The entity lookup must see the accounts of the company that is open now. The
        // single-store edition keeps the accounts its window loaded.
        if (program_.edition == Edition::MultiStore) {
            LoadQbCoa();
            if (chartLoads_ != plannedWith_ && currentBlock_) plan_ = planEntry(*currentBlock_);
        }
        if (plan_.refusal) throw *plan_.refusal;
        requestText = plan_.request;
        copy->write(requestText);
        copy->close();
        SendRequest();
        if (cZTLError) {
            recordNotSent(sendFailure_, handedOver_ ? TransactionRecord::Outcome::NoAnswer
                                                    : TransactionRecord::Outcome::NotSent);
            logLostAnswer();
            return;
        }
        try {
            GetImportResults(responseText);
            logLostAnswer();
        } catch (const importlog::WriteError&) {
            // QuickBooks has the entry although the log lacks part of its block: the reference
            // number moves on as after any answer.
            try {
                advanceReferenceNumber();
            } catch (const std::exception&) {
            }
            throw;
        }
        advanceReferenceNumber();
    } catch (const importlog::WriteError&) {
        throw;  // stops the run: see importlog::WriteError
    } catch (const std::exception& ex) {
        VbError e = toVbError(ex);
        recordNotSent(e.description);
        reportAndLogModuleError("Error in module clsZTL.DoImport", e);
    }
}

void clsZTL::recordNotSent(const std::string& reason, TransactionRecord::Outcome outcome) {
    if (!current_ || current_->outcome != TransactionRecord::Outcome::NotSent || !current_->reason.empty()) return;
    current_->outcome = outcome;
    current_->reason = reason;
}

void clsZTL::logLostAnswer() {
    if (!current_ || current_->outcome != TransactionRecord::Outcome::NoAnswer || current_->logNumber != 0) return;
    TextWriter* log = program_.importLog;
    if (!log) return;
    const int number = transactionNumber++;
    current_->logNumber = number;
    importlog::writeBlock(*log, importlog::noAnswerBlock(number, referenceNumber, pendingNotes_, current_->reason),
                          number, referenceNumber);
    pendingNotes_.clear();
}

void clsZTL::advanceReferenceNumber() {
    std::int64_t next = Decimal::parseLeading(referenceNumber).roundHalfEven().value_or(0) + 1;
    if (program_.settings)
        program_.settings->set(kSettingsApp, program_.settingsSection, "ImportReferenceNumber",
                               std::to_string(next));
}

namespace {

// Who a run is, for the import lock.
ImportRun thisRun(const Clock* clock) {
    ImportRun run{computerName(), static_cast<long>(::getpid()), 0, ""};
    if (clock) {
        LocalDateTime now = clock->now();
        run.started = unixSeconds(now);
        run.since = clock->shortDate(now) + " " + clock->timeText(now);
    } else {
        run.started = static_cast<std::int64_t>(std::time(nullptr));
    }
    return run;
}

std::string describeRun(const ImportRun& run) {
    if (run.workstation.empty()) return "another workstation";
    return "workstation " + run.workstation + " (process " + std::to_string(run.process) +
           (run.since.empty() ? "" : ", since " + run.since) + ")";
}

}  // namespace

std::string importLockLeftBehind(const std::string& totalsPath, const VbError& why) {
    return "The import lock " + totalsPath + ".lock could not be removed: " + why.description +
           ".\nOther workstations cannot import this totals file until it is deleted.";
}

std::string importLockRefusal(const std::string& totalsPath, const ImportRun& holder) {
    return "The totals file " + totalsPath + " is already being imported by " + describeRun(holder) +
           ".\nA totals file cannot be imported twice at once: this import has posted nothing.\n"
           "Start it again when the other import has ended.";
}

RunRecord clsZTL::NewStartImport() {
    int statement = 10;
    EndLog(std::nullopt);
    record_ = RunRecord{};
    record_.companyFile = postingCompany;
    countsLogged_ = false;
    std::optional<VbError> lockLeftBehind;
    try {
        runImport(statement, lockLeftBehind);
    } catch (const std::exception& ex) {
        const std::string lineBreak = program_.edition == Edition::SingleStore ? "\n" : "\r\n";
        std::string text = importRunReport(program_.edition, toVbError(ex), statement);
        if (const auto* log = dynamic_cast<const importlog::WriteError*>(&ex))
            text += lineBreak + "Transaction " + std::to_string(log->transactionNumber) + " (invoice " +
                    log->referenceNumber +
                    ") was sent to QuickBooks; its answer is not completely in the import log.";
        program_.showMessage(text);
        // The single-store report goes after the run's lines in its log.
        if (program_.edition == Edition::SingleStore && program_.clock) {
            const std::string entry = operationLogEntry(*program_.clock, text);
            if (log_) {
                try {
                    log_->writeLine(entry);
                    log_->sync();
                } catch (const std::exception&) {
                    // The report was shown; a log that cannot take it keeps what it holds.
                }
            } else if (source_.size() >= 7) {
                appendOperationLog(paths::map(importlog::logPathFor(source_)), entry);
            }
        }
    }
    current_ = nullptr;
    if (lockLeftBehind) reportAndLog(importLockLeftBehind(source_, *lockLeftBehind), MsgIcon::Exclamation);
    return std::move(record_);
}

void clsZTL::EndLog(const std::optional<std::string>& totalsFile) {
    if (!log_) return;
    std::unique_ptr<TextWriter> log = std::move(log_);
    // The blocks above are the record of what was posted; an end that cannot be written
    // takes nothing from them, so its failure stops nothing.
    try {
        if (!countsLogged_)
            for (const std::string& line : runSummaryLines(record_)) log->writeLine(line);
        countsLogged_ = true;
        if (totalsFile)
            for (const std::string& line : totalsFileSummaryLines(*totalsFile)) log->writeLine(line);
        log->close();
    } catch (const std::exception&) {
    }
}

void clsZTL::runImport(int& statement, std::optional<VbError>& lockLeftBehind) {
    ImportRunView* w = program_.mainWindow;
    auto status = [&](const std::string& caption) {
        if (!w) return;
        w->setStatusCaption(caption);
        w->repaintStatus();
    };

    statement = 10;
    status("Starting import...");

    // Before anything is posted or the log replaced: another run may be importing this file.
    statement = 20;
    const ImportRun self = thisRun(program_.clock);
    ImportLock lock(importLockPath(paths::map(source_)), self, self.started);
    struct LockRelease {
        ImportLock& lock;
        std::optional<VbError>& failure;
        ~LockRelease() {
            lock.release();
            failure = lock.releaseFailure();
        }
    } releaseLock{lock, lockLeftBehind};
    // The file as this run posts it, read once. What cannot be read of it is reported where
    // the walk comes to it.
    std::optional<StoreDay> day;
    std::optional<VbError> unreadable;
    try {
        record_.day = dayToImport ? dayToImport : readTotalsFile(source_);
        day = *record_.day;
        record_.lineRuns = day->lineRuns;
        for (const DayBlock& b : day->blocks)
            if (!b.lines.empty()) record_.transactions.push_back({.referenceNumber = b.referenceNumber});
    } catch (const std::exception& ex) {
        unreadable = toVbError(ex);
    }
    if (!lock.taken() && lock.otherRun()) {
        record_.lockHeldElsewhere = true;
        program_.showMessage(importLockRefusal(source_, *lock.otherRun()), MsgIcon::Exclamation);
        return;
    }

    statement = 30;
    double step = 0;
    std::string countText;
    if (program_.edition == Edition::SingleStore) {
        // A run handed its day counts that day's Q lines; otherwise those of the last Load390.
        const int qCount = dayToImport ? dayToImport->qLines : qCount_;
        step = qCount > 0 ? 100.0 / qCount : 0;
        countText = std::to_string(qCount);
    } else if (ZTLTrcount) {
        countText = ZTLTrcount->text();
        if (ZTLTrcount->sign() > 0) {
            // Integer division of whole numbers; a count that rounds to zero gives no step
            // rather than a division by zero.
            std::int64_t whole = ZTLTrcount->roundHalfEven().value_or(0);
            step = whole > 0 ? static_cast<double>(100 / whole) : 0;
        }
    }
    statement = 40;
    transactionNumber = 1;
    statement = 50;
    status("Sending request to QuickBooks...");

    statement = 200;
    std::string logPath = importlog::logPathFor(source_);
    statement = 230;
    keepPreviousLog(paths::map(logPath));
    log_ = std::make_unique<TextWriter>(paths::map(logPath));
    TextWriter& log = *log_;
    record_.logPath = logPath;
    program_.importLog = &log;
    struct LogRelease {
        Program& p;
        ~LogRelease() { p.importLog = nullptr; }
    } release{program_};
    statement = 240;
    LocalDateTime now = program_.clock ? program_.clock->now() : LocalDateTime{};
    log.writeLine(importlog::headingLine(program_.clock ? program_.clock->shortDate(now) : "",
                                         program_.clock ? program_.clock->timeText(now) : ""));
    log.writeLine(importlog::ruleLine());
    log.writeLine(importlog::kBlankLine);
    log.sync();

    // A lock that could not be made is reported only now, so that a log that cannot be
    // created (its folder is the lock's) is reported as such first.
    statement = 250;
    if (lock.failure()) throw *lock.failure();
    if (lock.otherRun()) {
        log.writeLine(importlog::lockTakenOverLine(describeRun(*lock.otherRun())));
        log.writeLine(importlog::kBlankLine);
        log.sync();
    }

    // Before the first entry: what QuickBooks holds already is not sent again, and a run
    // that cannot ask sends nothing.
    statement = 255;
    record_.duplicateCheckOff = !duplicateCheckOn();
    if (!findPostedEntries(log, day ? *day : StoreDay{})) {
        log.sync();
        program_.importLog = nullptr;
        if (w) {
            w->setStatusCaption("Import stopped: nothing was posted.");
            w->repaintStatus();
        }
        closeConnection();
        return;
    }

    statement = 260;
    status("Importing " + countText + " transactions... please wait.");
    statement = 270;
    // The bar's value lives here, not in the view: a view that shows whole steps must not
    // lose the fractions the single-store step carries (three steps of 33.3 end at 100).
    double progress = 0;
    if (w) {
        w->setProgressVisible(true);
        w->setProgressValue(progress);
        w->setProgressMaximum(100);
    }
    statement = 280;
    program_.ImportErrorFlag = false;

    statement = 380;
    std::filesystem::path totalsPath = paths::map(source_);
    std::error_code ec;
    if (!std::filesystem::exists(totalsPath, ec)) throw vbError(vb::kFileNotFound);
    statement = 390;
    if (unreadable) throw *unreadable;
    statement = 400;
    if (day->walkRefusal) throw *day->walkRefusal;

    statement = 410;
    std::size_t next = 0;
    for (const DayBlock& block : day->blocks) {
        statement = 420;
        referenceNumber = block.referenceNumber;
        transactionDateText = block.dateText;
        if (!block.lines.empty()) {
            statement = 430;
            current_ = &record_.transactions.at(next++);
            currentBlock_ = &block;
            plan_ = planEntry(block);
            if (!settledWithoutSending()) DoImport();
            current_ = nullptr;
            currentBlock_ = nullptr;
        }
        statement = 440;
        if (w) {
            progress = std::min(progress + step, 100.0);
            w->setProgressValue(progress);
            w->repaintProgress();
        }
        statement = 410;
    }

    statement = 900;
    if (w) {
        w->setProgressVisible(false);
        w->setStatusCaption("Import complete...");
        w->setCancelCaption("&Exit");
        w->setImportEnabled(false);
    }
    statement = 910;
    closeConnection();
    statement = 920;
    if (w) {
        w->setDetailCaption("");
        w->repaintDetail();
    }
    statement = 930;
    posted_.reset();
    for (const std::string& line : runSummaryLines(record_)) log.writeLine(line);
    log.sync();
    countsLogged_ = true;
    program_.importLog = nullptr;

    statement = 1000;
    record_.reachedEnd = true;
    if (program_.resultsWindows) {
        std::unique_ptr<ResultsWindow> results = program_.resultsWindows->create();
        results->loadFile(paths::map(logPath).string());
        results->setCaption("Import results");
        results->demandPrintout(record_.refusedEntry());
        results->showModal();
    }
    statement = 1060;
    closeConnection();
}

}  // namespace ztl
