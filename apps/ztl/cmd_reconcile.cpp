// ztl reconcile [--single-store] FILE: whether QuickBooks holds every transaction of the
// totals file exactly once as the file says. One line per transaction and a summary; exit
// status 0 only when every transaction is posted exactly once. It posts nothing.
#include <iostream>

#include "command.h"
#include "company_target.h"
#include "console.h"
#include "engine/review/reconcile.h"
#include "quickbooks/quickbooks_from_environment.h"
#include "ui/qsettings_store.h"

namespace ztl::cli {
namespace {

int reconcile(const std::vector<std::string>& argv) {
    std::vector<std::string> args = argv;
    bool single = takeFlag(args, "--single-store");
    if (args.size() != 1 || args[0].starts_with("--"))
        return usageError("reconcile", "one totals file expected");

    QuickBooksConsole qb(single ? Edition::SingleStore : Edition::MultiStore);
    Program& p = qb.console.program;
    std::optional<std::string> company = companyTarget(p);
    if (!company) return 1;
    try {
        CompanySession target(p, *company);
        Reconciliation r = reconcileTotalsFile(target, args[0]);
        for (const auto& line : r.lines()) std::cout << line << "\n";
        std::cout.flush();
        return r.postedOnceEach() ? 0 : 1;
    } catch (const CompanyError& e) {
        std::cerr << "ztl: " << e.what() << "\n";
        return 1;
    }
}

ZtlCommand reg("reconcile", &reconcile);

}  // namespace
}  // namespace ztl::cli
