// ztl pending FILE: the days of this totals file that unattended runs could not post whole
// and keep in the pending folder beside it, oldest first, each with why the last run that tried
// it left it there (from the runs' record); the next `ztl post FILE` posts them in this order.
// Exit status 0 when none is pending, 1 when some are.
// ztl pending FILE --drop DATE: takes the day of DATE (YYYY-MM-DD, as the list shows it) out
// of the queue: its copy moves to an archive name beside the totals file, never deleted, its
// import logs become kept logs of the totals file's own, and the operation log says so. A day
// held for the bookkeeper then no longer holds back the later ones.
#include <cctype>
#include <filesystem>
#include <iostream>
#include <set>

#include "command.h"
#include "console.h"
#include "engine/company/file_names.h"
#include "engine/company/operation_log.h"
#include "engine/company/operation_log_entries.h"
#include "engine/totals/store_day.h"
#include "engine/unattended/drop_pending_day.h"
#include "engine/unattended/held_day.h"
#include "engine/unattended/pending_days.h"
#include "platform/paths.h"
#include "qbwc/console/refusal_advice.h"

namespace fs = std::filesystem;

namespace ztl::cli {
namespace {

// A text of the record on one line of the terminal: QuickBooks' messages end in line breaks,
// and no control character of a file reaches the terminal as one.
std::string oneLine(std::string text) {
    for (char& c : text)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) c = ' ';
    while (!text.empty() && text.back() == ' ') text.pop_back();
    return text;
}

int drop(const fs::path& totals, const std::string& file, const std::string& date) {
    if (!isIsoDate(date)) return usageError("pending", "--drop takes a date as the list shows it, YYYY-MM-DD");
    ConsoleProgram console;
    const PendingDayDrop result = dropPendingDay(totals, date, console.clock);
    for (const DroppedDay& d : result.dropped) {
        appendOperationLog(paths::stateFolder() / kOperationLogName,
                           operationLogEntry(console.clock, "ztl pending " + file + " --drop " + date + ": " +
                                                                droppedDayNote(d)));
        std::cout << d.copy.filename().string() << " is out of the queue, kept as " << d.archive.string()
                  << "\nIt is not posted by ztl post. To post it after all: ztl import " << d.archive.string() << "\n";
        for (const std::string& log : d.logs)
            std::cout << static_cast<char>(std::toupper(static_cast<unsigned char>(log[0]))) << log.substr(1) << "\n";
    }
    if (result.failure) {
        std::cerr << "ztl: " << *result.failure << "\n";
        return 1;
    }
    if (!result.found) {
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
    const std::optional<fs::path> history = historyOf(runsFolder(), args[0], totals);
    const std::vector<RunEntry> runs = history ? readRuns(*history) : std::vector<RunEntry>{};
    for (const auto& d : days) {
        const std::shared_ptr<const StoreDay> day = walkTotalsFile(d.file.string());
        const int transactions = day ? day->transactionsWithLines() : 0;
        std::cout << d.date << "  " << transactions << " transaction" << (transactions == 1 ? "" : "s") << "  "
                  << d.file.string() << "\n";
        if (std::optional<HeldDay> held = heldDay(runs, d.date)) {
            std::cout << "    held: " << oneLine(held->because) << "\n";
            for (const RunTransaction& t : held->transactions)
                std::cout << "    " << oneLine(t.reference) << " " << t.kind
                          << (t.code.empty() ? "" : ", QuickBooks status " + oneLine(t.code)) << ": " << oneLine(t.message)
                          << "\n";
            // The step once per kind of refusal, as the console gives it beside each entry.
            std::set<std::string> steps;
            for (const RunTransaction& t : held->transactions)
                if (std::optional<qbwc::RefusalAdvice> advice = qbwc::refusalAdvice(t.code, t.message);
                    advice && steps.insert(advice->step).second)
                    std::cout << "    What to do: " << advice->step << "\n";
        }
    }
    if (days.empty()) std::cout << "No day is pending.\n";
    return days.empty() ? 0 : 1;
}

ZtlCommand reg("pending", &pending);

}  // namespace
}  // namespace ztl::cli
