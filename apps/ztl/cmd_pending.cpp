// ztl pending FILE: the days of this totals file that unattended runs could not post whole
// and keep in the pending folder beside it, oldest first; the next `ztl post FILE` posts them
// in this order. Exit status 0 when none is pending, 1 when some are.
// ztl pending FILE --drop DATE: takes the day of DATE (YYYY-MM-DD, as the list shows it) out
// of the queue: its copy moves to an archive name beside the totals file, never deleted, and
// the operation log says so. A day held for the bookkeeper then no longer holds back the
// later ones.
#include <filesystem>
#include <iostream>

#include "command.h"
#include "console.h"
#include "engine/company/file_names.h"
#include "engine/company/operation_log.h"
#include "engine/company/operation_log_entries.h"
#include "engine/totals/store_day.h"
#include "engine/unattended/pending_days.h"
#include "platform/paths.h"

namespace fs = std::filesystem;

namespace ztl::cli {
namespace {

// The copy's archive beside the totals file: the totals file's archive name of now, with
// ".1", ".2", ... when it is taken.
fs::path archiveFor(const fs::path& totals, const Clock& clock) {
    const std::string base = archiveName(totals.string(), clock.now());
    fs::path name = base;
    for (int n = 1; fs::exists(name); ++n) name = base + "." + std::to_string(n);
    return name;
}

int drop(const fs::path& totals, const std::string& file, const std::string& date) {
    if (!isIsoDate(date)) return usageError("pending", "--drop takes a date as the list shows it, YYYY-MM-DD");
    ConsoleProgram console;
    int dropped = 0;
    for (const PendingDay& d : pendingDaysOf(totals)) {
        if (d.date != date) continue;
        const fs::path archive = archiveFor(totals, console.clock);
        std::error_code ec;
        fs::rename(d.file, archive, ec);
        if (ec) {
            std::cerr << "ztl: " << d.file.string() << " could not be moved to " << archive.string() << ": "
                      << ec.message() << "; it stays pending\n";
            return 1;
        }
        const std::string note = "ztl pending " + file + " --drop " + date + ": the pending day " +
                                 d.file.string() + " is taken out of the queue and kept as " + archive.string() +
                                 "; no unattended run posts it";
        appendOperationLog(paths::stateFolder() / kOperationLogName, operationLogEntry(console.clock, note));
        std::cout << d.file.filename().string() << " is out of the queue, kept as " << archive.string()
                  << "\nIt is not posted by ztl post. To post it after all: ztl import " << archive.string() << "\n";
        ++dropped;
    }
    if (dropped == 0) {
        std::cerr << "ztl: no day of " << date << " is pending for " << file << " (ztl pending " << file
                  << " lists them)\n";
        return 1;
    }
    return 0;
}

int pending(const std::vector<std::string>& argv) {
    std::vector<std::string> args = argv;
    bool missing = false;
    const std::string dropDate = takeOption(args, "--drop", missing);
    if (missing || args.size() != 1 || args[0].starts_with("--"))
        return usageError("pending", "one totals file expected, and --drop DATE to take a day out");
    const fs::path totals = fs::absolute(paths::map(args[0]));
    if (!dropDate.empty()) return drop(totals, args[0], dropDate);
    std::vector<PendingDay> days = pendingDaysOf(totals);
    for (const auto& d : days) {
        const std::shared_ptr<const StoreDay> day = walkTotalsFile(d.file.string());
        const int transactions = day ? day->transactionsWithLines() : 0;
        std::cout << d.date << "  " << transactions << " transaction" << (transactions == 1 ? "" : "s") << "  "
                  << d.file.string() << "\n";
    }
    if (days.empty()) std::cout << "No day is pending.\n";
    return days.empty() ? 0 : 1;
}

ZtlCommand reg("pending", &pending);

}  // namespace
}  // namespace ztl::cli
