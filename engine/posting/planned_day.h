#pragma once
// A store's day as an import would post it into one company now: each transaction of the
// walked day planned against the company's chart with the names the account fields keep.
// What the checks after an import compare QuickBooks with.
#include <optional>
#include <string>
#include <vector>

#include "engine/posting/company_chart.h"
#include "engine/posting/entity_rule.h"
#include "engine/posting/posted_entries.h"
#include "engine/totals/store_day.h"
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

// Throws the walk's own refusal (VbError) when the import would stop on the file.
PlannedDay planDay(const StoreDay& day, const CompanyChart& chart, const EntityNames& names);

}  // namespace ztl
