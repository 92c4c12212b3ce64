// ztl check [--single-store] FILE: the check before an import of FILE, as the main window
// shows it after its load: the company checked against, one line "<RefNumber>: <reason>" per
// transaction an import would not get into QuickBooks, "<RefNumber>: warning: ..." beside an
// entry with its number and date that is not it, then the count. Posts nothing. Exit status
// 0 when nothing would be refused or left unsent and the check was whole (transactions
// QuickBooks holds already are the good outcome), 1 otherwise.
#include <filesystem>
#include <iostream>

#include "command.h"
#include "company_target.h"
#include "console.h"
#include "engine/company/company_memory.h"
#include "engine/company/company_session.h"
#include "engine/company/file_names.h"
#include "engine/company/import_settings.h"
#include "engine/company/quickbooks_check.h"
#include "engine/company/settings_keys.h"
#include "engine/review/check_run.h"
#include "engine/unattended/pending_days.h"
#include "failure_notes.h"
#include "platform/paths.h"
#include "quickbooks/quickbooks_from_environment.h"
#include "totals_archives.h"
#include "ui/qsettings_store.h"

namespace ztl::cli {
namespace {

// The step that mends a finding, with its command; empty when there is none to take here.
std::string findingFix(const TransactionVerdict& t, const EntityNames& names, const std::string& edition,
                       const std::string& totals) {
    using Outcome = TransactionVerdict::Outcome;
    if (t.refusal) return refusalFix(*t.refusal, names, "ztl settings " + edition + "set");
    switch (t.outcome) {
        case Outcome::NotSent:
        case Outcome::NotReached:
            return "correct the totals file at the store, or enter the entry by hand in QuickBooks";
        case Outcome::Changed:
            return "compare that entry with the file: ztl reconcile " + edition + shellWord(totals);
        default:
            return {};
    }
}

int check(const std::vector<std::string>& argv) {
    std::vector<std::string> args = argv;
    bool single = takeFlag(args, "--single-store");
    if (args.size() != 1 || args[0].starts_with("--")) return usageError("check", "one totals file expected");
    const std::string& totals = args[0];

    QuickBooksConsole qb(single ? Edition::SingleStore : Edition::MultiStore);
    Program& p = qb.console.program;

    // The company, as the edition's main window finds it: the single-store edition the one in
    // its settings, the multi-store edition the one open. A QuickBooks that cannot be reached
    // still leaves the findings that need no answer from it.
    std::string company;  // for the sessions; empty: the one open
    std::optional<std::string> named;
    if (single) {
        company = p.settings->get(kSettingsApp, p.settingsSection, key::kCompany, "");
        named = company.empty() ? CheckQBConnection(p) : company;
    } else {
        named = CheckQBConnection(p);
        if (named) {
            p.settingsSection = companySettingsSection(*named);
            // The import's own warning: the day may belong in another company.
            if (auto warning = wrongCompanyWarning(p, totals, *named)) std::cerr << *warning << "\n\n";
        }
    }
    // A numbered store's file is named with its store, as the bookkeeper calls it.
    const std::string forWhat = totals + (numberedStore(totals) ? " (" + storeLabel(totals) + ")" : "");
    if (named) {
        std::cout << "Checked against company " << *named << " for " << forWhat << "\n";
    } else {
        failureNotes().line(kQuickBooksUnreachable);
        // Asked again, it would only wait for it again: the findings that need no answer
        // from QuickBooks are made without it.
        p.processors = nullptr;
        std::cout << "Checked against no company (QuickBooks cannot be reached) for " << forWhat << "\n";
    }

    ChartReading chart;
    if (named) {
        CompanySession session(p, company);
        const ChartLoad& load = session.loadChart();
        if (load.chart) {
            chart.chart = load.chart;
        } else {
            failureNotes().box(load.failure);
            p.processors = nullptr;  // without the chart nothing more is asked of QuickBooks
        }
    }
    TotalsCheck result = checkBeforeImport(p, company, totals, chart);
    const EntityNames names = storedEntityNames(p);
    const std::string edition = single ? "--single-store " : "";
    for (const auto& t : result.transactions) {
        if (t.flagged()) {
            // The window names its fields; here the settings keys that the next step sets.
            std::cout << t.refNumber << ": "
                      << (t.refusal ? describeRefusal(*t.refusal, names, FieldNaming::SettingKeys) : t.reason)
                      << "\n";
            if (std::string fix = findingFix(t, names, edition, totals); !fix.empty())
                std::cout << "  next: " << fix << "\n";
        }
        if (!t.warning.empty()) std::cout << t.refNumber << ": warning: " << t.warning << "\n";
    }
    std::cout << result.summary() << std::endl;
    if (!result.incompleteCause.empty()) failureNotes().detail(result.incomplete);
    // The days of this store an unattended run still holds are part of what will be posted.
    for (const std::string& line : pendingDayLines(std::filesystem::absolute(paths::map(totals)), totals))
        std::cout << line << "\n";
    return result.allClear() ? 0 : 1;
}

ZtlCommand reg("check", &check);

}  // namespace
}  // namespace ztl::cli
