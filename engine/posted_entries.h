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

#include "qbxml/journal_entry_answer.h"
#include "qbxml/names.h"

namespace ztl {

// A store transaction as the import posts it: read back from the very request it sends.
struct StoreTransaction {
    std::string refNumber;
    std::string txnDate;  // YYYY-MM-DD
    std::vector<EntryLine> lines;
};

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
