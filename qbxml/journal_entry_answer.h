#pragma once
// Journal entries as QuickBooks answers them (JournalEntryRet), and the lines of a journal
// entry as a request or an answer carries them. Texts are UTF-8, as QuickBooks' answers
// carry them.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include <pugixml.hpp>

namespace ztl {

// One line of a journal entry, as QuickBooks holds it or as the import would post it.
struct EntryLine {
    bool debit = true;
    std::string accountListId;  // QuickBooks' answers only
    std::string account;        // the account's full name; in a request, the name or number it gives
    std::int64_t cents = 0;     // the amount, never negative; -1 when it cannot be read
    std::string memo;
    std::string entity;      // the customer's or vendor's full name; empty when the line has none
    std::string amountText;  // the amount as written
};

// A line's amount as whole cents, its sign dropped (which side a line is on is its element's
// name); -1 when the text is no amount. Answers and planned lines are read alike, so that a
// line matches the line it was sent as.
std::int64_t entryLineCents(std::string_view amountText);

// A journal entry of a query answer.
struct PostedEntry {
    std::string txnId, timeCreated, timeModified, editSequence, txnNumber, txnDate, refNumber;
    std::vector<EntryLine> lines;
};

// The answer to a journal-entry query. Status 0 carries entries; status 1 (Info) is
// QuickBooks' way of saying that nothing matched.
struct JournalEntryQueryAnswer {
    std::string statusCode, statusSeverity, statusMessage;
    std::vector<PostedEntry> entries;
    bool answered() const { return statusCode == "0" || statusCode == "1"; }
};

// Reads a JournalEntryQueryRs; throws qbxml::AnswerError (13 when the text is not
// well-formed, 91 when it holds no such answer).
JournalEntryQueryAnswer readJournalEntryQuery(const std::string& response);

// Appends the JournalDebitLine and JournalCreditLine children of `parent` (a JournalEntryAdd
// or a JournalEntryRet), in document order.
void readJournalLines(pugi::xml_node parent, std::vector<EntryLine>& lines);

}  // namespace ztl
