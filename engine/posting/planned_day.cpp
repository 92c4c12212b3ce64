#include "engine/posting/planned_day.h"

#include "engine/posting/planned_entry.h"

namespace ztl {

PlannedDay planDay(const StoreDay& day, const CompanyChart& chart, const EntityNames& names) {
    if (day.walkRefusal) throw *day.walkRefusal;
    PlannedDay planned;
    planned.first = day.first;
    planned.last = day.last;
    for (const DayBlock& block : day.blocks) {
        if (block.lines.empty()) continue;
        DayTransaction t;
        t.referenceNumber = block.referenceNumber;
        PlannedEntry plan = planEntry(block, chart, names);
        if (plan.refusal)
            t.unpostable = plan.refusal->description;
        else
            t.transaction = std::move(plan.entry);
        planned.transactions.push_back(std::move(t));
    }
    return planned;
}

}  // namespace ztl
