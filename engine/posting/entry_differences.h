#pragma once
// What keeps a journal entry with a store transaction's invoice number and date from being
// that transaction: the lines that differ, in words for the operator. Lines are compared as
// the duplicate guard compares them (sameLines): side, account as QuickBooks resolves it,
// amount and name, in any order.
#include <string>
#include <vector>

#include "engine/posting/posted_entries.h"

namespace ztl {

// Single-byte phrases, each naming one difference: "amount of debit Checking 10.00 in the
// file, 12.50 in QuickBooks", "account of credit 10.00: Merchandise Sales in the file, Service
// Income in QuickBooks", "a line less in QuickBooks: debit Checking 10.00", "a line more in
// QuickBooks: ...", "name of ...", "a line without the import's memo". Empty when the entry
// is the transaction.
std::vector<std::string> entryDifferences(const StoreTransaction& transaction, const PostedEntry& entry,
                                          const CompanyChart& chart);

}  // namespace ztl
