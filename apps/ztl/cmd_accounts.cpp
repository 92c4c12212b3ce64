// ztl accounts [--response FILE]: the chart of accounts as the engine reads it, one account
// text ("number,name,type") per line; from the configured QuickBooks, or from a saved
// account query response without any QuickBooks.
#include <iostream>

#include "command.h"
#include "console.h"
#include "engine/import/single_procedures.h"
#include "platform/error_report.h"
#include "platform/text_file.h"
#include "quickbooks/quickbooks_from_environment.h"
#include "ui/qsettings_store.h"

namespace ztl::cli {
namespace {

int accounts(const std::vector<std::string>& argv) {
    std::vector<std::string> args = argv;
    bool missing = false;
    std::string response = takeOption(args, "--response", missing);
    if (missing || !args.empty()) return usageError("accounts", "unexpected arguments");
    ConsoleProgram console;
    std::unique_ptr<RequestProcessorFactory> factory;
    if (response.empty()) {
        factory = processorFactoryFromEnvironment(QSettingsStore());
        console.program.processors = factory.get();
    }
    std::optional<std::string> saved;
    if (!response.empty()) {
        try {
            saved = readWholeFile(response);
        } catch (const VbError& e) {
            console.program.showMessage(moduleErrorReport("Error in module clsZTL.GetCOAResults ", e));
            saved = std::string();
        }
    }
    for (const auto& a : loadChartTexts(console.program, saved)) std::cout << a << "\n";
    std::cout.flush();
    return console.exitStatus();
}

ZtlCommand reg("accounts", &accounts);

}  // namespace
}  // namespace ztl::cli
