// ztl requests FILE --out DIR [--accounts FILE] [--ar NAME] [--vendor NAME] [--tax NAME]:
// the journal-entry requests an import of FILE would send, byte for byte, one file each.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <iostream>

#include "command.h"
#include "console.h"
#include "engine/company/import_settings.h"
#include "engine/import/cls_ztl.h"
#include "engine/posting/planned_entry.h"
#include "engine/totals/store_day.h"
#include "engine/company/quickbooks_check.h"
#include "platform/error_report.h"
#include "platform/paths.h"
#include "platform/settings_store.h"
#include "platform/store_date.h"
#include "platform/text_file.h"
#include "platform/windows1252.h"
#include "quickbooks/quickbooks_from_environment.h"
#include "ui/qsettings_store.h"

namespace ztl::cli {
namespace {

int requests(const std::vector<std::string>& argv) {
    std::vector<std::string> args = argv;
    bool missing = false;
    std::string out = takeOption(args, "--out", missing);
    std::string accounts = takeOption(args, "--accounts", missing);
    std::string ar = takeOption(args, "--ar", missing);
    std::string vendor = takeOption(args, "--vendor", missing);
    std::string tax = takeOption(args, "--tax", missing);
    if (missing || out.empty() || args.size() != 1 || args[0].starts_with("--"))
        return usageError("requests", "a totals file and --out DIR expected");

    ConsoleProgram console;
    MemorySettingsStore given;
    QSettingsStore stored;
    console.program.settings = &given;
    if (!ar.empty() || !vendor.empty() || !tax.empty()) {
        given.set(kSettingsApp, "", "ARImportAccount", utf8ToWindows1252(ar));
        given.set(kSettingsApp, "", "VendorImportAccount", utf8ToWindows1252(vendor));
        given.set(kSettingsApp, "", "TaxImportAccount", utf8ToWindows1252(tax));
    } else if (!accounts.empty() && std::getenv("ZENTREL_QUICKBOOKS")) {
        // No names given: those the operator keeps for the company QuickBooks has open.
        auto factory = processorFactoryFromEnvironment(QSettingsStore());
        console.program.processors = factory.get();
        std::optional<std::string> company = CheckQBConnection(console.program);
        console.program.processors = nullptr;
        if (!company) return console.exitStatus();
        console.program.settings = &stored;
        console.program.settingsSection = companySettingsSection(*company);
    }

    std::error_code ec;
    std::filesystem::create_directories(out, ec);
    CompanyChart chart;
    if (!accounts.empty()) {
        try {
            ChartReading reading = readChart(readWholeFile(accounts));
            if (reading.chart)
                chart = std::move(*reading.chart);
            else
                console.program.showMessage("loadXML failed, reason: " + reading.unreadable, MsgIcon::Exclamation,
                                            MsgButtons::OK, "Error");
        } catch (const VbError& e) {
            console.program.showMessage(moduleErrorReport("Error in module clsZTL.GetCOAResults ", e));
        }
    }
    const EntityNames names = storedEntityNames(console.program);

    int statement = 380;
    try {
        std::filesystem::path totalsPath = paths::map(args[0]);
        if (!std::filesystem::exists(totalsPath, ec)) throw vbError(vb::kFileNotFound);
        statement = 390;
        const std::shared_ptr<const StoreDay> walked = readTotalsFile(args[0]);
        const StoreDay& day = *walked;
        statement = 400;
        if (day.walkRefusal) throw *day.walkRefusal;
        statement = 410;
        int number = 0;
        for (const DayBlock& block : day.blocks) {
            if (block.lines.empty()) continue;
            ++number;
            PlannedEntry plan = planEntry(block, chart, names);
            if (plan.refusal) {
                console.program.showMessage(moduleErrorReport("Error in module clsZTL.DoImport", *plan.refusal));
                continue;
            }
            char name[32];
            std::snprintf(name, sizeof name, "%04d.xml", number);
            try {
                writeWholeFile(std::filesystem::path(out) / name, plan.request);
            } catch (const std::exception& ex) {
                console.program.showMessage(moduleErrorReport("Error in module clsZTL.DoImport", toVbError(ex)));
            }
        }
    } catch (const std::exception& ex) {
        console.program.showMessage(importRunReport(Edition::MultiStore, toVbError(ex), statement));
    }
    return console.exitStatus();
}

ZtlCommand reg("requests", &requests);

}  // namespace
}  // namespace ztl::cli
