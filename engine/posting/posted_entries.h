#pragma once
// The journal entries QuickBooks already holds, and how a store transaction is found among
// them, so that a day that reaches an import twice is not posted twice.
//
// A store transaction is in QuickBooks when an entry has its invoice number as RefNumber
// (compared ignoring case, as QuickBooks compares it) and its date as TxnDate, every line
// of it carries the memo the import writes, and its lines are the transaction's lines:
// the same accounts, debits and credits, amounts and names, in any order. QuickBooks keeps
// no memo on the entry itself, so the line memos are the import's mark. Several stores may
// post into one company and their invoice numbers may overlap: an entry with the same
// number and date but other lines is somebody else's entry, not this transaction.
//
// Texts here are UTF-8, as QuickBooks' answers carry them.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/posting/chart_of_accounts.h"

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

// A journal entry of a query answer.
struct PostedEntry {
    std::string txnId, timeCreated, timeModified, editSequence, txnNumber, txnDate, refNumber;
    std::vector<EntryLine> lines;
};

// A store transaction as the import posts it: what its request says, as QuickBooks reads it.
struct StoreTransaction {
    std::string refNumber;
    std::string txnDate;  // YYYY-MM-DD
    std::vector<EntryLine> lines;
};

// The answer to a journal-entry query. Status 0 carries entries; status 1 (Info) is
// QuickBooks' way of saying that nothing matched.
struct JournalEntryQueryAnswer {
    std::string statusCode, statusSeverity, statusMessage;
    std::vector<PostedEntry> entries;
    bool answered() const { return statusCode == "0" || statusCode == "1"; }
};

// Reads a JournalEntryQueryRs; throws VbError when the text is not well-formed or holds no
// such answer.
JournalEntryQueryAnswer readJournalEntryQuery(const std::string& response);

// An entry line's amount as whole cents, its sign dropped (debit or credit says which side it
// is on); empty when it is not [+-]?digits(.d{1,2})?.
std::optional<std::int64_t> entryAmountCents(std::string_view text);

// ASCII case and surrounding blanks ignored, as QuickBooks compares names and numbers.
bool sameQuickBooksName(std::string_view a, std::string_view b);

// Every line carries the memo the import writes.
bool carriesImportMemo(const PostedEntry& entry);
// Same RefNumber and TxnDate.
bool sameKey(const StoreTransaction& transaction, const PostedEntry& entry);
// Same lines, in any order; the transaction's accounts resolved through the chart.
bool sameLines(const StoreTransaction& transaction, const PostedEntry& entry, const ChartOfAccounts& chart);

// The entries of one query, each of which stands for at most one store transaction: a day
// that holds two identical transactions needs two identical entries to be wholly posted.
class PostedEntries {
  public:
    PostedEntries(std::vector<PostedEntry> entries, ChartOfAccounts chart);

    struct Match {
        const PostedEntry* same = nullptr;        // the entry that is this transaction
        std::vector<const PostedEntry*> others;  // same number and date, but not this transaction
    };
    // Finds the transaction and claims the entry, earliest posted first, so that no later
    // transaction is matched with it again.
    Match claim(const StoreTransaction& transaction);

    const std::vector<PostedEntry>& entries() const { return entries_; }
    const ChartOfAccounts& chart() const { return chart_; }

  private:
    std::vector<PostedEntry> entries_;
    std::vector<bool> claimed_;
    ChartOfAccounts chart_;
};

}  // namespace ztl
