#pragma once
// How one store transaction becomes a journal entry: its lines sorted as the import lists
// them, the name each line carries, the exact request text the run sends, and the entry that
// text stands for, as QuickBooks will read it. Built once per transaction and chart, and
// handed to whoever needs it: the run sends the text, the duplicate guard and reconcile
// match the entry, the check judges it, ztl requests prints the text.
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "engine/posting/company_chart.h"
#include "engine/posting/entity_rule.h"
#include "engine/posting/posted_entries.h"
#include "qbxml/requests.h"
#include "engine/totals/store_day.h"
#include "platform/vb_error.h"

namespace ztl {

// The entity name of a line on this store account code; empty: the line names none.
using EntityLookup = std::function<std::string(const std::string& accountCode)>;

struct PlannedEntry {
    std::string referenceNumber;  // the invoice number, single-byte
    std::vector<PostingLine> lines;  // the lines in the order the entry lists them
    std::string request;          // the JournalEntryAddRq, single-byte; empty when not sendable
    StoreTransaction entry;       // what the request posts, as QuickBooks reads it (UTF-8)
    // Why the import does not send it: its date cannot be read (13) or its first line is zero
    // (kZeroAmountError).
    std::optional<VbError> refusal;

    bool sendable() const { return !refusal; }
};

// Plans the entry of a block with lines. The lookup is asked once per line, in the order the
// entry lists them, and not at all when the import refuses the transaction; a block whose
// date cannot be read is refused before its lines are sorted.
PlannedEntry planEntry(const DayBlock& block, const EntityLookup& entityOf);
// The same, each line's name by the import's rule from the company's chart and the names
// the account fields keep.
PlannedEntry planEntry(const DayBlock& block, const CompanyChart& chart, const EntityNames& names);

}  // namespace ztl
