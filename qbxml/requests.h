#pragma once
// The qbXML 1.0 requests, as exact text. Lines end in CR LF, indentation is blanks in
// steps of four, the request identifier is always 1, and names go in as they stand, with
// only the XML markup characters & < > escaped (so QuickBooks reads exactly what the store
// system and the operator wrote).
#include <array>
#include <functional>
#include <string>
#include <vector>

#include "platform/store_date.h"

namespace ztl {

// Rows of one transaction after sorting: column 1 "D", column 2 the account code,
// column 3 the amount text.
using SortedLineTable = std::vector<std::array<std::string, 3>>;

// The chart-of-accounts query.
std::string accountQueryRequest();

// The journal entry of one transaction. entityOf is asked once per row, after the row's
// amount is known, for the entity name of the row's account code (empty: no EntityRef).
// A first row with amount zero is refused with kZeroAmountError before anything is asked.
std::string journalEntryRequest(const std::string& referenceNumber, const CalendarDate& date,
                                const SortedLineTable& rows,
                                const std::function<std::string(const std::string&)>& entityOf);

// The journal entries QuickBooks holds dated from `from` to `to`, with their lines, at most
// maxReturned of them: qbXML 1.0, which has every element it uses.
std::string journalEntryQueryRequest(const CalendarDate& from, const CalendarDate& to, int maxReturned);

// The date as a qbXML date, YYYY-MM-DD.
std::string qbxmlDate(const CalendarDate& date);

// Object-error base + 513.
inline constexpr long kZeroAmountError = -2147220991;

}  // namespace ztl
