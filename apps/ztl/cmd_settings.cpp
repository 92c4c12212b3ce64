// ztl settings [--single-store] get KEY | set KEY VALUE: the operator's settings under the
// section the main window uses (multi-store: that of the company QuickBooks has open).
// Values are typed and shown in UTF-8 and stored as the programs' single-byte text.
#include <iostream>

#include "command.h"
#include "console.h"
#include "engine/company/quickbooks_check.h"
#include "failure_notes.h"
#include "platform/trim.h"
#include "platform/vb_error.h"
#include "platform/windows1252.h"
#include "quickbooks/quickbooks_from_environment.h"
#include "ui/qsettings_store.h"

namespace ztl::cli {
namespace {

int settingsCommand(const std::vector<std::string>& argv) {
    std::vector<std::string> args = argv;
    bool single = takeFlag(args, "--single-store");
    bool get = args.size() == 2 && args[0] == "get";
    bool set = args.size() == 3 && args[0] == "set";
    if (!get && !set) return usageError("settings", "get KEY or set KEY VALUE expected");

    ConsoleProgram console(single ? Edition::SingleStore : Edition::MultiStore);
    std::string section = "Zentrel\\Settings";
    if (!single) {
        auto factory = processorFactoryFromEnvironment(QSettingsStore());
        console.program.processors = factory.get();
        std::optional<std::string> company = CheckQBConnection(console.program);
        if (!company) {
            failureNotes().line("ztl: QuickBooks cannot be reached, so the company's settings are unknown");
            return 1;
        }
        section = companySettingsSection(*company);
    }
    QSettingsStore store;
    try {
        // The terminal speaks UTF-8; the programs keep single-byte text.
        if (get)
            std::cout << windows1252ToUtf8(store.get(kSettingsApp, section, args[1], "")) << "\n";
        else
            // Stored trimmed, as the window stores what the operator typed in its fields: blanks
            // around a name would reach QuickBooks in the entity's name.
            store.set(kSettingsApp, section, args[1], utf8ToWindows1252(trimmed(args[2])));
    } catch (const VbError& e) {
        std::cerr << "ztl: " << e.description << "\n";
        return 1;
    }
    return 0;
}

ZtlCommand reg("settings", &settingsCommand);

}  // namespace
}  // namespace ztl::cli
