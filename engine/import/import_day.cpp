#include "engine/import/import_day.h"

#include "engine/company/company_memory.h"
#include "engine/company/operation_log.h"
#include "engine/company/operation_log_entries.h"
#include "engine/import/archive_file.h"
#include "engine/import/cls_ztl.h"
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

// The multi-store file's fate: archived once every answer is in, else left for the next run.
TotalsFileOutcome archiveWhenAnswered(const RunRecord& run, const std::string& source, const Clock* clock,
                                      std::string& totalsFile) {
    TotalsFileOutcome outcome;
    if (!run.reachedEnd) {
        outcome.fate = TotalsFileFate::StoppedEarly;
    } else if (run.count(RunRecord::Outcome::NoAnswer) > 0) {
        outcome.fate = TotalsFileFate::AnswerLost;
    } else if (!clock) {
        totalsFile = "left where it is";
    } else if (std::optional<ArchivedFile> archive = ArchiveFile(source, *clock)) {
        outcome = {TotalsFileFate::Archived, archive->name, archive->originalLeft};
    } else {
        totalsFile = "left where it is: it could not be archived";
    }
    return outcome;
}

}  // namespace

DayOutcome importDay(Program& program, const DayImport& import) {
    DayOutcome done;
    const bool single = program.edition == Edition::SingleStore;
    try {
        std::unique_ptr<clsZTL> own;
        clsZTL* engine = import.engine;
        if (!engine) {
            own = std::make_unique<clsZTL>(program);
            engine = own.get();
            if (single) {
                engine->QBCompany = import.companyFile;
                engine->LoadQbCoa();
                if (engine->cZTLError) {
                    done.notRun = "the company's chart of accounts could not be read";
                    return done;
                }
            }
        }
        if (single && !program.clock) throw vbError(vb::kObjectNotSet);
        engine->X390source(import.source);
        engine->dayToImport = import.day;
        engine->postingCompany = import.companyFile;
        if (!single) engine->ZTLTrcount = import.day ? import.day->tCount : import.transactionCount;

        // Whatever happens below, the run ends its log with what became of the totals file.
        struct LogEnd {
            clsZTL& engine;
            const DayOutcome& done;
            bool told = false;
            ~LogEnd() { engine.EndLog(told ? std::optional<std::string>(done.totalsFile) : std::nullopt); }
        } logEnd{*engine, done};

        ImportRunRecord record;
        if (single) record.totalsBefore = bytesOf(import.source);
        record.run = engine->NewStartImport();
        engine->dayToImport.reset();
        const RunRecord& run = done.run.emplace(record.run);
        done.whole = run.postedWhole();
        // Unless the run sent nothing (QuickBooks could not be asked what it holds, or another
        // workstation's run had the file), the company is the one this store posts into.
        if (!single && !run.stoppedUnasked && !run.lockHeldElsewhere)
            rememberCompany(program, import.store.empty() ? import.source : import.store, import.companyFile);
        if (import.afterRun) import.afterRun(run);

        if (!import.settleFile) {
            done.totalsFile = "left where it is, as asked";
            logEnd.told = true;
            return done;
        }
        TotalsFileOutcome outcome;
        if (single) {
            record.totalsAfter = bytesOf(import.source);
            outcome = settleTotalsFile(import.source, totalsFileFate(record), *program.clock);
        } else {
            // A totals file that another workstation's run is importing stays where that run
            // reads it (this run was refused and posted nothing), and its log is that run's.
            if (run.lockHeldElsewhere) return done;
            outcome = archiveWhenAnswered(run, import.source, program.clock, done.totalsFile);
        }
        done.file = outcome;
        if (done.totalsFile.empty()) done.totalsFile = totalsFileLine(outcome);
        logEnd.told = true;
        if (std::optional<std::string> notice = totalsFileNotice(import.source, outcome)) {
            program.showMessage(*notice, MsgIcon::Exclamation);
            if (single) appendOperationLog(program.operationLogPath, errorEntry(*program.clock, *notice));
        }
    } catch (const std::exception& ex) {
        std::string text = moduleErrorReport("Error in module startimport ", toVbError(ex));
        program.showMessage(text);
        if (single && program.clock)
            appendOperationLog(program.operationLogPath, importErrorEntry(*program.clock, text, import.source));
    }
    return done;
}

}  // namespace ztl
