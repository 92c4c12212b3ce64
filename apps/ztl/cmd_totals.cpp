// ztl totals [--single-store] FILE: the totals table as the main window shows it.
#include <iostream>

#include "command.h"
#include "console.h"
#include "engine/import/single_procedures.h"

namespace ztl::cli {
namespace {

int totals(const std::vector<std::string>& argv) {
    std::vector<std::string> args = argv;
    bool single = takeFlag(args, "--single-store");
    if (args.size() != 1 || args[0].starts_with("--"))
        return usageError("totals", "one totals file expected");
    ConsoleProgram console(single ? Edition::SingleStore : Edition::MultiStore);
    const LoadedTotals loaded = loadTotals(console.program, args[0]);
    for (const auto& line : loaded.table) std::cout << line << "\n";
    if (single)
        std::cout << "count=" << loaded.qLineCount << "\n";
    else
        std::cout << "ZTLTrcount=" << (loaded.transactionCount ? loaded.transactionCount->text() : std::string())
                  << "\n";
    std::cout.flush();
    return console.exitStatus();
}

ZtlCommand reg("totals", &totals);

}  // namespace
}  // namespace ztl::cli
