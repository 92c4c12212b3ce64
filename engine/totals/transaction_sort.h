#pragma once
// A transaction's lines in the order its journal entry lists them. The import run and the
// check before it sort alike, so the check judges the entry the run will send: the first
// row decides the zero-amount refusal, and the order is the order QuickBooks reads.
#include <string>
#include <vector>

#include "engine/totals/store_day.h"
#include "qbxml/requests.h"

namespace ztl {

// Fills `rows` (count rows) from the transaction line list entries "D,code,amount", then
// sorts them by the amount text, descending by character code, with a diminishing-gap
// exchange sort in which equal texts never exchange. Throws 9 when an entry is missing or
// lacks its two commas; `rows` then holds the rows filled before it.
void sortTransactionRows(const std::vector<std::string>& lines, size_t count, SortedLineTable& rows);

// A block's lines in the same order, as typed lines: what the entry sends is the amount the
// walk read, never an amount printed to text and read back.
std::vector<PostingLine> sortedPostingLines(const std::vector<StoreLine>& lines);

}  // namespace ztl
