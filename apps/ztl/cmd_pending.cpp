// ztl pending FILE: the days of this totals file that unattended runs could not post whole
// and keep in the pending folder beside it, oldest first; the next `ztl post FILE` posts them
// in this order. Exit status 0 when none is pending, 1 when some are.
#include <iostream>

#include "command.h"
#include "engine/totals/store_day.h"
#include "engine/unattended/pending_days.h"
#include "platform/paths.h"

namespace ztl::cli {
namespace {

int pending(const std::vector<std::string>& args) {
    if (args.size() != 1 || args[0].starts_with("--")) return usageError("pending", "one totals file expected");
    std::vector<PendingDay> days = pendingDaysOf(paths::map(args[0]));
    for (const auto& d : days) {
        int transactions = 0;
        try {
            transactions = StoreDay::read(d.file).transactionsWithLines();
        } catch (const std::exception&) {
        }
        std::cout << d.date << "  " << transactions << " transaction" << (transactions == 1 ? "" : "s") << "  "
                  << d.file.string() << "\n";
    }
    if (days.empty()) std::cout << "No day is pending.\n";
    return days.empty() ? 0 : 1;
}

ZtlCommand reg("pending", &pending);

}  // namespace
}  // namespace ztl::cli
