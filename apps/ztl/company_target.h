#pragma once
// The company the checks after an import talk to, as the edition's window finds it: the
// multi-store edition the company QuickBooks has open (its settings section named after
// it), the single-store edition the company file in its settings.
#include <optional>
#include <string>

#include <memory>

#include "console.h"
#include "engine/company/quickbooks_check.h"
#include "engine/program.h"
#include "failure_notes.h"
#include "quickbooks/quickbooks_from_environment.h"
#include "ui/qsettings_store.h"

namespace ztl::cli {

// A console program with the operator's settings and the QuickBooks of ZENTREL_QUICKBOOKS,
// for the commands that only ask QuickBooks (check, reconcile, undo).
struct QuickBooksConsole {
    explicit QuickBooksConsole(Edition edition)
        : console(edition), factory(processorFactoryFromEnvironment(settings)) {
        console.program.settings = &settings;
        console.program.processors = factory.get();
    }
    ConsoleProgram console;
    QSettingsStore settings;
    std::unique_ptr<RequestProcessorFactory> factory;
};

// The company file for every session (empty: the one open), or nothing when QuickBooks
// cannot be reached (said on standard error).
inline std::optional<std::string> companyTarget(Program& p) {
    if (p.edition == Edition::SingleStore)
        return p.settings->get(kSettingsApp, p.settingsSection, key::kCompany, "");
    std::optional<std::string> company = CheckQBConnection(p);
    if (!company) {
        failureNotes().line(kQuickBooksUnreachable);
        return std::nullopt;
    }
    p.settingsSection = companySettingsSection(*company);
    return std::string();
}

}  // namespace ztl::cli
