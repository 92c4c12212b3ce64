// ztl reconcile [--single-store] FILE: whether QuickBooks holds every transaction of the
// totals file exactly once as the file says. One line per transaction and a summary; exit
// status 0 only when every transaction is posted exactly once. It posts nothing.
#include <filesystem>
#include <iostream>

#include "command.h"
#include "company_target.h"
#include "console.h"
#include "engine/review/reconcile.h"
#include "failure_notes.h"
#include "platform/paths.h"
#include "quickbooks/quickbooks_from_environment.h"
#include "totals_archives.h"
#include "ui/qsettings_store.h"

namespace ztl::cli {
namespace {

int reconcile(const std::vector<std::string>& argv) {
    std::vector<std::string> args = argv;
    bool single = takeFlag(args, "--single-store");
    if (args.size() != 1 || args[0].starts_with("--"))
        return usageError("reconcile", "one totals file expected");
    // After an import the day is under its archive's name: said before QuickBooks is asked
    // anything, with the command that reconciles the archive.
    std::error_code ec;
    if (!std::filesystem::exists(paths::map(args[0]), ec)) {
        std::cerr << "ztl: "
                  << missingTotalsFileText(args[0], archivesOf(args[0]),
                                           [&](const std::string& file) {
                                               return std::string("ztl reconcile ") +
                                                      (single ? "--single-store " : "") + shellWord(file);
                                           })
                  << "\n";
        return 1;
    }

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
        failureNotes().line(std::string("ztl: ") + e.what());
        return 1;
    }
}

ZtlCommand reg("reconcile", &reconcile);

}  // namespace
}  // namespace ztl::cli
