#pragma once
// Every request the programs send QuickBooks, as exact text (request_text.h: CR LF, blanks
// in steps of four, the request identifier 1 wherever one request stands alone). Names go
// in as they stand, with only the XML markup characters & < > escaped, so QuickBooks reads
// exactly what the store system and the operator wrote. Each request carries the prolog of
// the lowest qbXML version that has every element it uses.
#include <array>
#include <functional>
#include <string>
#include <vector>

#include "platform/decimal.h"
#include "platform/store_date.h"

namespace ztl {

// Rows of one transaction after sorting: column 1 "D", column 2 the account code,
// column 3 the amount text.
using SortedLineTable = std::vector<std::array<std::string, 3>>;

// One line of a journal entry as the import lists it: the account code as the store system
// wrote it and the amount, debit when positive.
struct PostingLine {
    std::string accountCode;
    Decimal amount;
};

// The chart-of-accounts query (1.0).
std::string accountQueryRequest();

// The journal entry of one transaction (1.0). entityOf is asked once per row, after the
// row's amount is known, for the entity name of the row's account code (empty: no
// EntityRef). A first row with amount zero is refused with kZeroAmountError before anything
// is asked.
std::string journalEntryRequest(const std::string& referenceNumber, const CalendarDate& date,
                                const std::vector<PostingLine>& lines,
                                const std::function<std::string(const std::string&)>& entityOf);
// The same from rows whose amounts are texts, read by the leading-number rule.
std::string journalEntryRequest(const std::string& referenceNumber, const CalendarDate& date,
                                const SortedLineTable& rows,
                                const std::function<std::string(const std::string&)>& entityOf);

// The journal entries QuickBooks holds dated from `from` to `to`, with their lines, at most
// maxReturned of them (1.0).
std::string journalEntryQueryRequest(const CalendarDate& from, const CalendarDate& to, int maxReturned);

// The journal entry with this TxnID, with its lines (1.0).
std::string journalEntryByTxnIdRequest(const std::string& txnId);

// Which of these names are customers and which vendors (1.0): a CustomerQueryRq and a
// VendorQueryRq by FullName for each, all in one message set that goes on past a missing
// name. One name per query, because what QuickBooks answers to a query naming several when
// one of them is missing is not documented. Names that are empty or blank are not asked for,
// as no line can name them, nor a name twice; empty when none is left.
std::string entityQueryRequest(const std::vector<std::string>& names);

// Removes the journal entry with this TxnID (1.1).
std::string journalEntryDeleteRequest(const std::string& txnId);

// The company's preferences, for its closing date (1.1).
std::string preferencesQueryRequest();

// The date as a qbXML date, YYYY-MM-DD.
std::string qbxmlDate(const CalendarDate& date);

// Object-error base + 513.
inline constexpr long kZeroAmountError = -2147220991;

}  // namespace ztl
