#pragma once
// A transaction's lines in the order its journal entry lists them. The import run and the
// check before it sort alike, so the check judges the entry the run will send: the first
// row decides the zero-amount refusal, and the order is the order QuickBooks reads.
#include <string>
#include <vector>

#include "qbxml/requests.h"

namespace ztl {

// Fills `rows` (count rows) from the transaction line list entries "D,code,amount", then
// sorts them by the amount text, descending by character code, with a diminishing-gap
// exchange sort in which equal texts never exchange. Throws 9 when an entry is missing or
// lacks its two commas; `rows` then holds the rows filled before it.
void sortTransactionRows(const std::vector<std::string>& lines, size_t count, SortedLineTable& rows);

}  // namespace ztl
