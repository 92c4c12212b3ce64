// ztl import [--single-store] [--no-archive] [--other-company] FILE: a whole import run of
// FILE against the configured QuickBooks, as the main window's Import button runs it (the
// run, then the archiving of the totals file, or in the single-store edition its removal
// once every transaction is posted), with the windows on the terminal, ending with the run's
// summary. Nobody confirms a command line's warning, so a day is not posted into another
// company than the one its store last posted into unless --other-company says so.
#include <filesystem>
#include <iostream>

#include "command.h"
#include "console.h"
#include "engine/company/company_memory.h"
#include "engine/company/file_names.h"
#include "engine/company/import_log.h"
#include "engine/company/operation_log_entries.h"
#include "engine/company/quickbooks_check.h"
#include "engine/company/settings_keys.h"
#include "engine/import/import_day.h"
#include "engine/import/run_summary.h"
#include "engine/unattended/pending_days.h"
#include "failure_notes.h"
#include "platform/paths.h"
#include "quickbooks/quickbooks_from_environment.h"
#include "totals_archives.h"
#include "ui/qsettings_store.h"

namespace ztl::cli {
namespace {

// What the duplicate guard did in the run that just ended.
void printDuplicateCheck(const std::optional<RunRecord>& run) {
    if (!run) return;
    const int already = run->count(RunRecord::Outcome::AlreadyThere);
    if (run->stoppedUnasked)
        std::cout << "Nothing was posted: QuickBooks could not be asked which transactions it already holds."
                  << std::endl;
    else if (run->duplicateCheckOff)
        std::cout << "The duplicate check was off: every transaction was sent." << std::endl;
    else
        std::cout << already << " transaction" << (already == 1 ? "" : "s")
                  << " already in QuickBooks, not sent again." << std::endl;
}

// Some stores' files end without their trailer, so the import posts what the file holds; a
// file that may be cut short is said first, as the check says it.
void warnIfNotWhole(const std::shared_ptr<const StoreDay>& day) {
    if (!day || day->headers.empty()) return;
    if (std::optional<std::string> why = day->notWhole())
        std::cerr << "ztl: warning: the totals file may not be the whole day: " << *why
                  << ". What it holds is imported; what is missing is not.\n\n";
}

// The import error procedure with this day's own commands: the printout demanded after a
// refusal points to it, and the window's "consult your documentation" has no documentation
// beside a terminal.
void printErrorProcedure(const std::string& source, const std::string& totalsNow, bool single) {
    const std::string edition = single ? "--single-store " : "";
    std::cout
        << "Import error procedure for this day:\n"
        << "  1. fix the cause each refusal names (the log's Return Status Message), in QuickBooks or with\n"
        << "     ztl settings " << edition << "set KEY NAME; the check names the fix: ztl check " << edition
        << shellWord(totalsNow) << "\n";
    if (totalsNow != source)
        std::cout << "  2. put the day back: cp " << shellWord(paths::map(totalsNow).string()) << " "
                  << shellWord(paths::map(source).string()) << "\n";
    else
        std::cout << "  2. the day is still in place: " << shellWord(source) << "\n";
    std::cout << "  3. import again (only what QuickBooks does not hold is sent): ztl import " << edition
              << shellWord(source) << "\n";
}

// The run's summary, as the end of its log has it, as the last lines; and before it where to
// look next when the run left anything out of QuickBooks.
void printSummary(const std::optional<RunRecord>& run, const std::string& totalsFile,
                  const std::string& source, const std::string& totalsNow, bool single) {
    if (!run || run->lockHeldElsewhere) return;
    const std::string edition = single ? "--single-store " : "";
    if (!run->postedWhole() && !run->logPath.empty())
        std::cout << "Next: compare the day with QuickBooks: ztl reconcile " << edition
                  << shellWord(totalsNow) << "\n      remove what this run posted:   ztl undo " << edition
                  << "--totals " << shellWord(totalsNow) << " " << shellWord(run->logPath) << "\n";
    if (run->count(RunRecord::Outcome::Refused) > 0) printErrorProcedure(source, totalsNow, single);
    std::vector<std::string> lines = runSummaryLines(*run);
    for (const std::string& line : totalsFileSummaryLines(totalsFile)) lines.push_back(line);
    for (const std::string& line : lines)
        if (line != importlog::kBlankLine) std::cout << line << "\n";
    std::cout.flush();
}

// The single-store window's Import on FILE: one engine object loads the chart of the
// company in the settings and the totals, as the window's load does, and runs the import;
// then the totals file is settled as the window's Import button settles it.
int importSingleStore(ConsoleProgram& console, SettingsStore& settings, const std::string& file, bool keep) {
    Program& p = console.program;
    p.operationLogPath = paths::stateFolder() / kOperationLogName;
    const std::shared_ptr<const StoreDay> day = walkTotalsFile(file);
    warnIfNotWhole(day);
    DayOutcome done = importDay(p, {.day = day,
                                    .source = file,
                                    .companyFile = settings.get(kSettingsApp, p.settingsSection, key::kCompany, ""),
                                    .settleFile = !keep});
    if (!done.notRun.empty()) {
        failureNotes().line("ztl: nothing was imported: " + done.notRun +
                            "; the totals file stays where it is");
        return 1;
    }
    printDuplicateCheck(done.run);
    const std::optional<TotalsFileOutcome>& outcome = done.file;
    // A day posted whole leaves a copy under the archive's name, for the checks after it.
    const bool archived = outcome && !outcome->archive.empty();
    if (keep || !outcome) {
        std::cout << "The totals file stays where it is: " << file << std::endl;
    } else if (outcome->fate == TotalsFileFate::Removed) {
        std::cout << "Every transaction is posted; the totals file is removed: " << file
                  << (outcome->archive.empty() ? "" : " (a copy is kept as " + outcome->archive + ")")
                  << std::endl;
    } else if (outcome->fate == TotalsFileFate::Archived) {
        std::cout << "Not every transaction is posted; the totals file is archived as " << outcome->archive
                  << std::endl;
    } else if (outcome->fate == TotalsFileFate::InUse) {
        std::cout << "Another import is reading the totals file by now; it stays where it is: " << file
                  << std::endl;
    } else if (outcome->fate == TotalsFileFate::Changed) {
        std::cout << "The totals file changed during the import; it stays where it is: " << file << std::endl;
    } else {
        std::cout << "The import stopped before its end; the totals file stays where it is: " << file
                  << std::endl;
    }
    printSummary(done.run, done.totalsFile, file, archived ? outcome->archive : file, true);
    return console.exitStatus();
}

int import(const std::vector<std::string>& argv) {
    std::vector<std::string> args = argv;
    bool single = takeFlag(args, "--single-store");
    bool keep = takeFlag(args, "--no-archive");
    bool unasked = takeFlag(args, "--no-duplicate-check");
    bool otherCompany = takeFlag(args, "--other-company");
    if (args.size() != 1 || args[0].starts_with("--"))
        return usageError("import", "one totals file expected");
    // A pending day imported by hand would count as a store of its own, with a company and a
    // log of its own: the unattended run that keeps it posts it as its store's day.
    if (std::optional<std::filesystem::path> store = totalsFileOfPendingDay(paths::map(args[0]))) {
        std::cerr << "ztl: " << args[0] << " is a day kept pending for " << store->string()
                  << " by the unattended run, not a totals file to import.\nPost it as that store's day: ztl post "
                  << store->string() << "\n(or take it out of the queue: ztl pending " << store->string()
                  << " --drop " << std::filesystem::path(args[0]).filename().string().substr(0, 10) << ")\n";
        return 1;
    }

    // The store's days an unattended run still holds are not posted by this import.
    const std::filesystem::path local = std::filesystem::absolute(paths::map(args[0]));
    for (const std::string& line : pendingDayLines(local, args[0])) std::cout << line << "\n";
    // A run that cannot find its file would leave an import log of nothing behind.
    std::error_code ec;
    if (!std::filesystem::exists(local, ec)) {
        std::cerr << "ztl: " << args[0] << ": File not found. Nothing was imported.\n";
        return 1;
    }

    ConsoleProgram console(single ? Edition::SingleStore : Edition::MultiStore);
    Program& p = console.program;
    QSettingsStore settings;
    auto factory = processorFactoryFromEnvironment(settings);
    ConsoleImportView view;
    ConsoleResultsFactory results(p);
    p.settings = &settings;
    p.processors = factory.get();
    p.mainWindow = &view;
    p.resultsWindows = &results;
    p.duplicateCheckOff = unasked;

    if (single) return importSingleStore(console, settings, args[0], keep);

    std::optional<std::string> company = CheckQBConnection(p);
    if (!company) {
        failureNotes().line(kQuickBooksUnreachable);
        return 1;
    }
    p.settingsSection = companySettingsSection(*company);
    if (auto refusal = otherCompanyRefusal(p, args[0], *company, "--other-company"); refusal && !otherCompany) {
        std::cerr << *refusal << "\n";
        return 1;
    }
    // Told without counting as a message box: the operator asked for this company.
    if (auto warning = wrongCompanyWarning(p, args[0], *company))
        std::cerr << *warning << "\nGoing on, as --other-company asks.\n\n";
    const std::shared_ptr<const StoreDay> day = walkTotalsFile(args[0]);
    warnIfNotWhole(day);
    DayOutcome done = importDay(p, {.day = day, .source = args[0], .companyFile = *company, .settleFile = !keep});
    printDuplicateCheck(done.run);
    const bool archived = done.file && done.file->fate == TotalsFileFate::Archived;
    if (archived)
        std::cout << "The totals file is archived as " << done.file->archive << std::endl;
    else
        std::cout << "The totals file stays where it is: " << args[0] << std::endl;
    printSummary(done.run, done.totalsFile, args[0], archived ? done.file->archive : args[0], false);
    return console.exitStatus();
}

ZtlCommand reg("import", &import);

}  // namespace
}  // namespace ztl::cli
