#pragma once
// Why a pending day is held, as the record of the runs tells it: what the console's store page
// and `ztl pending` say of each day beside the copy that waits.
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "engine/unattended/run_history.h"

namespace ztl {

struct HeldDay {
    const RunEntry* run = nullptr;  // the newest run that tried the day
    std::string because;            // why that run left it pending
    std::vector<RunTransaction> transactions;  // refused, flagged, not sent or unanswered
};

// From the newest of `runs` (oldest first, as readRuns gives them) that names `date`; none
// when no recorded run tried the day.
std::optional<HeldDay> heldDay(const std::vector<RunEntry>& runs, const std::string& date);

// The history folder of the store whose totals file is `totals` as given on the command line,
// or, given another way, whose store.json names the same file on this machine; none when no
// run of it is recorded under `runs`.
std::optional<std::filesystem::path> historyOf(const std::filesystem::path& runs, const std::string& totals,
                                               const std::filesystem::path& localFile);

}  // namespace ztl
