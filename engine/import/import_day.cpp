#include "engine/import/import_day.h"

#include "engine/import/archive_file.h"
#include "engine/import/company_memory.h"
#include "engine/import/operation_log.h"
#include "engine/import/operation_log_entries.h"
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
        // After every run, also one that stopped early, the totals move to their archive name;
        // but a totals file that another workstation's run is importing stays where that run
        // reads it (this run was refused and posted nothing), and so does one whose run could
        // not ask QuickBooks what it holds already and so sent nothing: that day is still to
        // be imported.
        if (run.lockHeldElsewhere || run.stoppedUnasked || !program.clock) return done;
        std::optional<ArchivedFile> archive = ArchiveFile(day.source, *program.clock);
        if (!archive) return done;
        done.archive = archive->name;
        if (archive->originalLeft)
            program.showMessage(originalLeftMessage(day.source, *archive), MsgIcon::Exclamation);
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
        if (!settleFile) return done;
        done.outcome = settleTotalsFile(source, totalsFileFate(record), *program.clock);
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
