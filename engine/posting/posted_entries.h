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
#include <string>
#include <string_view>
#include <vector>

namespace ztl {

// One line of a journal entry, as QuickBooks holds it or as the import would post it.
struct EntryLine {
    bool debit = true;
    std::string accountListId;  // QuickBooks' answers only
    std::string account;        // the account's full name; in a request, the name or number it gives
    std::int64_t cents = 0;     // the amount, never negative
    std::string memo;
    std::string entity;  // the customer's or vendor's full name; empty when the line has none
};

// A journal entry of a query answer.
struct PostedEntry {
    std::string txnId, timeCreated, timeModified, editSequence, txnNumber, txnDate, refNumber;
    std::vector<EntryLine> lines;
};

// A store transaction as the import posts it: read back from the very request it sends.
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

// Reads the transaction a JournalEntryAddRq request posts (the single-byte text the engine
// writes); throws VbError when the text is not one.
StoreTransaction transactionOfRequest(const std::string& requestText);

// The accounts of an account query answer, resolved as QuickBooks resolves an AccountRef's
// FullName: the full name ignoring case and surrounding blanks, failing that the number.
class ChartOfAccounts {
  public:
    struct Account {
        std::string listId, fullName, number, type;
        std::string name;  // the account's own name, the last part of its full name
    };
    ChartOfAccounts() = default;
    // Throws VbError when the text is not well-formed.
    static ChartOfAccounts fromResponse(const std::string& response);
    explicit ChartOfAccounts(std::vector<Account> accounts) : accounts_(std::move(accounts)) {}

    const Account* resolve(std::string_view reference) const;
    const std::vector<Account>& accounts() const { return accounts_; }

  private:
    std::vector<Account> accounts_;
};

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
