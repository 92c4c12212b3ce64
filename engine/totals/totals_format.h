#pragma once
// The store system's end-of-day totals file X390.QB: fixed-column single-byte text, one
// record per line, the record type in column 1. Columns are 1-based character positions;
// a line shorter than a field reads the missing columns as empty.
//
//   rec  columns        content                                    read by
//   Q    whole line     start of a block; the file's first line    display (kept whole)
//   H    3-11 trimmed   reference (invoice) number                 display
//   H    13-20 trimmed  transaction date                           display
//   H    4-12 trimmed   reference number of the journal entry      import
//   H    12-23 as is    date text of the journal entry             import
//   D    3-9 trimmed    store account code = QuickBooks full name  both
//   D    11-22 number   first amount                               both
//   D    24-35 number   second amount                              both
//   T    8-end number   count added to the transaction count       display
//   TRT  whole line     block trailer                              both
//
// Numbers follow the leading-number rule (platform/decimal.h). A D line's amount is its
// first amount unless that is zero, then its second.
#include <optional>
#include <string>
#include <string_view>

#include "platform/decimal.h"

namespace ztl::totals {

// Columns from..from+length-1 of a line (1-based); shorter when the line is.
std::string_view columns(std::string_view line, size_t from, size_t length);
// Columns from the given one to the end of the line.
std::string_view columnsFrom(std::string_view line, size_t from);

// The line amount of a D line.
Decimal lineAmount(std::string_view dLine);
// The trimmed account code of a D line.
std::string accountCode(std::string_view dLine);
// The count of a T line (columns 8 to the end).
Decimal tCount(std::string_view tLine);

// The totals table entry of one file line, or nothing for a line the table leaves out.
std::optional<std::string> totalsLine(std::string_view line);

}  // namespace ztl::totals
