#pragma once
// Why a pending day is held, as the record of the runs tells it: what the console's store page
// and `ztl pending` say of each day beside the copy that waits.
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

}  // namespace ztl
