#pragma once
// A totals file's transactions as an import would post them: the same walk through the
// file, the same sorted lines, the same request with the names the entity lookup gives, read
// back into a StoreTransaction. What the checks after an import compare QuickBooks with.
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

struct StoreDay {
    std::vector<DayTransaction> transactions;  // those with lines, in file order
    std::optional<CalendarDate> first, last;   // the days they fall on
};

// Reads the totals file through `engine`, whose chart (LoadQbCoa) and settings give the
// entity names. Throws VbError when the file cannot be read or is no totals file.
StoreDay readStoreDay(clsZTL& engine, const std::string& totalsPath);

}  // namespace ztl
