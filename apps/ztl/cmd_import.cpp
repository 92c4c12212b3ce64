// ztl import [--single-store] [--no-archive] FILE: a whole import run of FILE against the
// configured QuickBooks, as the main window's Import button runs it (the run, then the
// archiving of the totals file, or in the single-store edition its removal once every
// transaction is posted), with the windows on the terminal.
#include <iostream>

#include "command.h"
#include "console.h"
#include "engine/import/cls_ztl.h"
#include "engine/import/quickbooks_check.h"
#include "platform/paths.h"
#include "quickbooks/quickbooks_from_environment.h"
#include "single/logic/main_window_logic.h"
#include "ui/ms_logic/company_memory.h"
#include "single/logic/operation_log_entries.h"
#include "ui/qsettings_store.h"

namespace ztl::cli {
namespace {

// The single-store main window on the terminal: no server status, reference field or grids
// to show, and no company file can be chosen here.
class ConsoleSingleStoreView : public ConsoleMainView<single::SingleStoreMainView> {
  public:
    void setServerStatus(const std::string&) override {}
    void setReferenceNumber(const std::string&) override {}
    void setGridsEnabled(bool) override {}
    void setBrowseEnabled(bool) override {}
    std::string chooseCompanyFile() override { throw vbError(vb::kDialogCancelled); }
};

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

// The single-store window's Import on FILE: one engine object loads the chart of the
// company in the settings and the totals, runs the import, and the Import button's handler
// decides what becomes of the totals file, as the program's window does.
int importSingleStore(ConsoleProgram& console, SettingsStore& settings, const std::string& file, bool keep) {
    Program& p = console.program;
    p.operationLogPath = paths::stateFolder() / single::kOperationLogName;
    ConsoleSingleStoreView view;
    p.mainWindow = &view;
    single::MainWindowLogic window(p, view);
    window.sourcePath = file;
    window.companyFile = settings.get(kSettingsApp, p.settingsSection, "Company", "");
    if (!window.loadEngine()) return 1;
    if (keep) {
        window.runImport();
        printDuplicateCheck(window.lastRun);
        std::cout << "The totals file stays where it is: " << file << std::endl;
        return console.exitStatus();
    }
    window.cmdImport_Click();
    printDuplicateCheck(window.lastRun);
    using single::TotalsFileFate;
    if (!window.lastOutcome) {
        std::cout << "The totals file stays where it is: " << file << std::endl;
    } else if (window.lastOutcome->fate == TotalsFileFate::Removed) {
        std::cout << "Every transaction is posted; the totals file is removed: " << file << std::endl;
    } else if (window.lastOutcome->fate == TotalsFileFate::Archived) {
        std::cout << "Not every transaction is posted; the totals file is archived as "
                  << window.lastOutcome->archive << std::endl;
    } else if (window.lastOutcome->fate == TotalsFileFate::InUse) {
        std::cout << "Another import is reading the totals file by now; it stays where it is: " << file
                  << std::endl;
    } else if (window.lastOutcome->fate == TotalsFileFate::Changed) {
        std::cout << "The totals file changed during the import; it stays where it is: " << file << std::endl;
    } else {
        std::cout << "The import stopped before its end; the totals file stays where it is: " << file
                  << std::endl;
    }
    return console.exitStatus();
}

int import(const std::vector<std::string>& argv) {
    std::vector<std::string> args = argv;
    bool single = takeFlag(args, "--single-store");
    bool keep = takeFlag(args, "--no-archive");
    bool unasked = takeFlag(args, "--no-duplicate-check");
    if (args.size() != 1 || args[0].starts_with("--"))
        return usageError("import", "one totals file expected");

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
        std::cerr << "ztl: QuickBooks cannot be reached (ZENTREL_QUICKBOOKS)\n";
        return 1;
    }
    p.settingsSection = companySettingsSection(*company);
    // The main window's warning, told without counting as a message box: the run goes on.
    if (auto warning = ms::wrongCompanyWarning(p, args[0], *company)) std::cerr << *warning << "\n\n";
    ms::MainWindowLogic window(p, view);
    window.companyFile = *company;
    window.sourcePath = args[0];
    {
        clsZTL loader(p);
        loader.X390source(args[0]);
        loader.Load390();
        window.transactionCount = loader.ZTLTrcount;
    }
    if (keep) {
        window.runImport();
        printDuplicateCheck(window.lastRun);
        std::cout << "The totals file stays where it is: " << args[0] << std::endl;
    } else {
        window.cmdImport_Click();
        printDuplicateCheck(window.lastRun);
        if (window.lastRun && window.lastRun->stoppedUnasked)
            std::cout << "The totals file stays where it is: " << args[0] << std::endl;
        else if (window.lastArchive)
            std::cout << "The totals file is archived as " << *window.lastArchive << std::endl;
        else
            std::cout << "The totals file could not be archived and stays where it is: " << args[0]
                      << std::endl;
    }
    return console.exitStatus();
}

ZtlCommand reg("import", &import);

}  // namespace
}  // namespace ztl::cli
