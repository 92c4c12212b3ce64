#include "engine/import/import_day.h"

#include "engine/import/archive_file.h"
#include "engine/company/company_memory.h"
#include "engine/company/operation_log.h"
#include "engine/company/operation_log_entries.h"
#include "engine/import/run_summary.h"
#include "platform/error_report.h"
#include "platform/paths.h"
#include "platform/text_file.h"
#include "platform/vb_error.h"

namespace ztl {
namespace {

std::optional<std::string> bytesOf(const std::string& path) {
    try {
        return readWholeFile(paths::map(path));
    } catch (const std::exception&) {
        return std::nullopt;
    }
}

// The end of the run's own log: its counts when the run stopped before it wrote them, and
// what became of the totals file. The blocks above are the record of what was posted; a
// summary that cannot be added takes nothing from them, so its failure stops nothing.
void appendSummary(const RunRecord& run, const std::string& totalsFile) {
    if (run.logPath.empty()) return;
    try {
        TextWriter log(paths::map(run.logPath), TextWriter::Mode::Append);
        if (!run.summaryLogged)
            for (const std::string& line : runSummaryLines(run)) log.writeLine(line);
        for (const std::string& line : totalsFileSummaryLines(totalsFile)) log.writeLine(line);
        log.close();
    } catch (const std::exception&) {
    }
}

}  // namespace

RunRecord runStoreDay(Program& program, const StoreDayImport& day) {
    clsZTL engine(program);
    engine.X390source(day.source);
    engine.ZTLTrcount = day.transactionCount;
    RunRecord run = engine.NewStartImport();
    if (!run.stoppedUnasked && !run.lockHeldElsewhere)
        rememberCompany(program, day.store.empty() ? day.source : day.store, day.companyFile);
    return run;
}

StoreDayImported importStoreDay(Program& program, const StoreDayImport& day, const AfterRun& afterRun) {
    StoreDayImported done;
    try {
        const RunRecord& run = done.run.emplace(runStoreDay(program, day));
        if (afterRun) afterRun(run);
        // A totals file that another workstation's run is importing stays where that run reads
        // it (this run was refused and posted nothing), and its log is that run's.
        if (run.lockHeldElsewhere) return done;
        TotalsFileOutcome outcome;
        if (!day.settleFile) {
            done.totalsFile = "left where it is, as asked";
        } else if (!run.reachedEnd) {
            outcome.fate = TotalsFileFate::StoppedEarly;
        } else if (run.count(RunRecord::Outcome::NoAnswer) > 0) {
            outcome.fate = TotalsFileFate::AnswerLost;
        } else if (program.clock) {
            std::optional<ArchivedFile> archive = ArchiveFile(day.source, *program.clock);
            if (archive) {
                outcome = {TotalsFileFate::Archived, archive->name, archive->originalLeft};
                done.archive = archive->name;
            } else {
                done.totalsFile = "left where it is: it could not be archived";
            }
        } else {
            done.totalsFile = "left where it is";
        }
        if (done.totalsFile.empty()) done.totalsFile = totalsFileLine(outcome);
        appendSummary(run, done.totalsFile);
        if (day.settleFile)
            if (std::optional<std::string> notice = totalsFileNotice(day.source, outcome))
                program.showMessage(*notice, MsgIcon::Exclamation);
    } catch (const std::exception& ex) {
        program.showMessage(moduleErrorReport("Error in module startimport ", toVbError(ex)));
    }
    return done;
}

SingleStoreDayImported importSingleStoreDay(Program& program, clsZTL* engine, const std::string& source,
                                            bool settleFile, const AfterRun& afterRun) {
    SingleStoreDayImported done;
    try {
        if (!engine || !program.clock) throw vbError(vb::kObjectNotSet);
        ImportRunRecord record;
        record.totalsBefore = bytesOf(source);
        record.run = engine->NewStartImport();
        done.run = record.run;
        if (afterRun) afterRun(record.run);
        record.totalsAfter = bytesOf(source);
        if (!settleFile) {
            done.totalsFile = "left where it is, as asked";
            appendSummary(record.run, done.totalsFile);
            return done;
        }
        done.outcome = settleTotalsFile(source, totalsFileFate(record), *program.clock);
        done.totalsFile = totalsFileLine(*done.outcome);
        if (done.outcome->fate != TotalsFileFate::InUse) appendSummary(record.run, done.totalsFile);
        if (std::optional<std::string> notice = totalsFileNotice(source, *done.outcome)) {
            program.showMessage(*notice, MsgIcon::Exclamation);
            appendOperationLog(program.operationLogPath, errorEntry(*program.clock, *notice));
        }
    } catch (const std::exception& ex) {
        std::string text = moduleErrorReport("Error in module startimport ", toVbError(ex));
        program.showMessage(text);
        if (program.clock)
            appendOperationLog(program.operationLogPath, importErrorEntry(*program.clock, text, source));
    }
    return done;
}

}  // namespace ztl
