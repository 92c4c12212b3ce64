#pragma once
// A totals file's transactions as an import would post them now: the day walked once, each
// transaction planned against the engine's chart with the names its settings keep. What the
// checks after an import compare QuickBooks with.
#include <optional>
#include <string>
#include <vector>

#include "engine/import/cls_ztl.h"
#include "engine/posting/posted_entries.h"
#include "platform/store_date.h"

namespace ztl {

struct DayTransaction {
    std::string referenceNumber;                  // the invoice number, single-byte
    std::optional<StoreTransaction> transaction;  // nothing when the import cannot post it
    std::string unpostable;                       // then why, in the import's own words
};

struct PlannedDay {
    std::vector<DayTransaction> transactions;  // those with lines, in file order
    std::optional<CalendarDate> first, last;   // the days they fall on
};

// Reads the totals file and plans it through `engine`, whose chart (LoadQbCoa) and settings
// give the entity names. Throws VbError when the file cannot be read or is no totals file.
PlannedDay planDay(clsZTL& engine, const std::string& totalsPath);

}  // namespace ztl
