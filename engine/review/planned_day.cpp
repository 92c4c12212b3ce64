#include "engine/review/planned_day.h"

#include <filesystem>

#include "engine/totals/store_day.h"
#include "platform/paths.h"

namespace ztl {

PlannedDay planDay(clsZTL& engine, const std::string& totalsPath) {
    std::filesystem::path path = paths::map(totalsPath);
    std::error_code ec;
    if (!std::filesystem::exists(path, ec)) throw vbError(vb::kFileNotFound);
    const StoreDay day = StoreDay::read(path);
    if (day.walkRefusal) throw *day.walkRefusal;
    PlannedDay planned;
    planned.first = day.first;
    planned.last = day.last;
    for (const DayBlock& block : day.blocks) {
        if (block.lines.empty()) continue;
        DayTransaction t;
        t.referenceNumber = block.referenceNumber;
        PlannedEntry plan = engine.planEntry(block);
        if (plan.refusal)
            t.unpostable = plan.refusal->description;
        else
            t.transaction = std::move(plan.entry);
        planned.transactions.push_back(std::move(t));
    }
    return planned;
}

}  // namespace ztl
