// ztl check [--single-store] FILE: the check before an import of FILE, as the main window
// shows it after its load: one line "<RefNumber>: <reason>" per transaction an import would
// not get into QuickBooks, then the count. Posts nothing. Exit status 0 when nothing is
// flagged, 1 when anything is or the check could not be made whole.
#include <iostream>

#include "command.h"
#include "company_target.h"
#include "console.h"
#include "engine/review/check_run.h"
#include "engine/import/cls_ztl.h"
#include "engine/import/quickbooks_check.h"
#include "quickbooks/quickbooks_from_environment.h"
#include "ui/qsettings_store.h"

namespace ztl::cli {
namespace {

int check(const std::vector<std::string>& argv) {
    std::vector<std::string> args = argv;
    bool single = takeFlag(args, "--single-store");
    if (args.size() != 1 || args[0].starts_with("--")) return usageError("check", "one totals file expected");

    QuickBooksConsole qb(single ? Edition::SingleStore : Edition::MultiStore);
    Program& p = qb.console.program;

    // The company and the chart, as the edition's main window loads them.
    std::optional<std::string> target = companyTarget(p);
    if (!target) return 1;
    const std::string company = *target;
    std::string chart;
    {
        clsZTL loader(p);
        loader.QBCompany = company;
        loader.LoadQbCoa();
        if (!loader.cZTLError) chart = loader.coaResponse();
    }
    // The multi-store import posts into the company QuickBooks has open.
    TotalsCheck result = checkBeforeImport(p, company, args[0], chart);
    for (const auto& t : result.transactions)
        if (t.flagged()) std::cout << t.refNumber << ": " << t.reason << "\n";
    std::cout << result.summary() << std::endl;
    return result.flaggedCount() > 0 || !result.incomplete.empty() ? 1 : 0;
}

ZtlCommand reg("check", &check);

}  // namespace
}  // namespace ztl::cli
