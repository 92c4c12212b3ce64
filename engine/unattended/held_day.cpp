#include "engine/unattended/held_day.h"

#include <algorithm>

namespace ztl {

std::optional<HeldDay> heldDay(const std::vector<RunEntry>& runs, const std::string& date) {
    for (auto r = runs.rbegin(); r != runs.rend(); ++r) {
        auto day = std::find_if(r->days.begin(), r->days.end(), [&](const RunDay& d) { return d.date == date; });
        if (day == r->days.end()) continue;
        HeldDay held{&*r, day->notPostedBecause, day->transactions};
        if (held.because.empty())
            held.because = !held.transactions.empty() ? "QuickBooks refused or never took these transactions"
                           : !r->reason.empty()      ? r->reason
                                                     : "the run did not post it whole";
        return held;
    }
    return std::nullopt;
}

}  // namespace ztl
