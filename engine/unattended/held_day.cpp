#include "engine/unattended/held_day.h"

#include <algorithm>

namespace fs = std::filesystem;

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

std::optional<fs::path> historyOf(const fs::path& runs, const std::string& totals, const fs::path& localFile) {
    std::error_code ec;
    if (const fs::path named = runs / storeKey(totals); fs::is_regular_file(named / kRunsFileName, ec)) return named;
    for (fs::directory_iterator it(runs, ec), end; !ec && it != end; it.increment(ec)) {
        if (!isStoreKey(it->path().filename().string())) continue;
        std::optional<StoreOfRuns> store = readStoreOfRuns(it->path());
        if (store && !store->localFile.empty() && fs::path(store->localFile) == localFile) return it->path();
    }
    return std::nullopt;
}

}  // namespace ztl
