// ztl undo [--single-store] [--yes] [--totals FILE] LOG: removes from QuickBooks the journal
// entries that the import log records as posted by its run, after listing them and reading
// YES from the terminal (--yes answers for scripts). Exit status 0 when QuickBooks holds none
// of them afterwards (also when there was nothing left to remove), 1 otherwise.
#include <iostream>

#include "command.h"
#include "company_target.h"
#include "console.h"
#include "engine/review/undo_run.h"
#include "quickbooks/quickbooks_from_environment.h"
#include "ui/qsettings_store.h"

namespace ztl::cli {
namespace {

int undo(const std::vector<std::string>& argv) {
    std::vector<std::string> args = argv;
    bool single = takeFlag(args, "--single-store");
    bool yes = takeFlag(args, "--yes");
    bool missing = false;
    std::string totals = takeOption(args, "--totals", missing);
    if (missing || args.size() != 1 || args[0].starts_with("--"))
        return usageError("undo", "one import log expected");

    QuickBooksConsole qb(single ? Edition::SingleStore : Edition::MultiStore);
    Program& p = qb.console.program;
    std::optional<std::string> company = companyTarget(p);
    if (!company) return 1;
    try {
        CompanySession target(p, *company);
        UndoPlan plan = planUndo(target, args[0], totals);
        if (plan.entries.empty()) {
            std::cout << "The import log names no entry that its run posted: nothing to undo.\n";
            return 0;
        }
        if (plan.toRemove() > 0) {
            std::cout << undoConfirmationText(plan) << std::endl;
            if (!yes) {
                std::string answer;
                std::getline(std::cin, answer);
                if (!answer.empty() && answer.back() == '\r') answer.pop_back();
                if (!isUndoConfirmation(answer)) {
                    std::cout << "Not confirmed: nothing was removed.\n";
                    return 1;
                }
            }
        }
        carryOutUndo(target, plan, p.clock);
        for (const auto& line : plan.report()) std::cout << line << "\n";
        std::cout.flush();
        return plan.complete() ? 0 : 1;
    } catch (const CompanyError& e) {
        std::cerr << "ztl: " << e.what() << "\n";
        return 1;
    } catch (const VbError& e) {
        std::cerr << "ztl: the import log " << args[0] << " could not be written (error # " << e.number
                  << ": " << e.description << "); the entries removed so far are listed by ztl reconcile.\n";
        return 1;
    }
}

ZtlCommand reg("undo", &undo);

}  // namespace
}  // namespace ztl::cli
