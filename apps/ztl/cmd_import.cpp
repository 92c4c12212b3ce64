// ztl import [--single-store] [--no-archive] FILE: a whole import run of FILE against the
// configured QuickBooks, as the main window's Import button runs it (the run, then the
// archiving of the totals file), with the windows on the terminal.
#include <iostream>

#include "command.h"
#include "console.h"
#include "engine/cls_ztl.h"
#include "engine/quickbooks_check.h"
#include "platform/paths.h"
#include "qbwc/quickbooks_from_environment.h"
#include "ui/qsettings_store.h"

namespace ztl::cli {
namespace {

int import(const std::vector<std::string>& argv) {
    std::vector<std::string> args = argv;
    bool single = takeFlag(args, "--single-store");
    bool keep = takeFlag(args, "--no-archive");
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

    if (single) {
        // The single-store window keeps one engine object: the accounts it loaded serve the run.
        p.operationLogPath = paths::stateFolder() / "ztloperation.log";
        clsZTL z(p);
        z.QBCompany = settings.get(kSettingsApp, p.settingsSection, "Company", "");
        z.LoadQbCoa();
        if (z.cZTLError) return 1;
        z.X390source(args[0]);
        z.Load390();
        z.NewStartImport();
        return console.exitStatus();
    }

    std::optional<std::string> company = CheckQBConnection(p);
    if (!company) {
        std::cerr << "ztl: QuickBooks cannot be reached (ZENTREL_QUICKBOOKS)\n";
        return 1;
    }
    p.settingsSection = companySettingsSection(*company);
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
        std::cout << "The totals file stays where it is: " << args[0] << std::endl;
    } else {
        window.cmdImport_Click();
        if (window.lastArchive)
            std::cout << "The totals file is archived as " << *window.lastArchive << std::endl;
        else
            std::cout << "The totals file could not be archived and stays where it is: " << args[0]
                      << std::endl;
    }
    return console.exitStatus();
}

ZtlCommand reg("import", "import [--single-store] [--no-archive] FILE", &import);

}  // namespace
}  // namespace ztl::cli
