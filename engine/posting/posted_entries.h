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
// number and date but other lines is not this transaction when it was typed by hand; when it
// carries the import's memo on every line and was changed in QuickBooks since it was made,
// or differs only in the customer and vendor names (the settings that name them changed
// since), an import made it of this transaction, and posting it again would put the day into
// the company twice. Such an entry is this transaction only when no entry is it as the file
// says. An import's entry never changed, with other accounts or amounts, is another store's
// of the same invoice number and day.
//
// Texts here are UTF-8, as QuickBooks' answers carry them.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/posting/company_chart.h"
#include "qbxml/journal_entry_answer.h"
#include "qbxml/names.h"

namespace ztl {

// A store transaction as the import posts it: what its request says, as QuickBooks reads it.
struct StoreTransaction {
    std::string refNumber;
    std::string txnDate;  // YYYY-MM-DD
    std::vector<EntryLine> lines;
};

// Every line carries the memo the import writes.
bool carriesImportMemo(const PostedEntry& entry);
// Same RefNumber and TxnDate.
bool sameKey(const StoreTransaction& transaction, const PostedEntry& entry);
// Same lines, in any order; the transaction's accounts resolved through the chart.
bool sameLines(const StoreTransaction& transaction, const PostedEntry& entry, const CompanyChart& chart);
// QuickBooks has changed the entry since it made it: its TimeModified is not its TimeCreated.
bool changedSinceMade(const PostedEntry& entry);
// The import's entry of this transaction with other lines than the file's now: same key, the
// import's memo on every line, other lines, and changed since it was made or other only in
// its names.
bool changedImportEntry(const StoreTransaction& transaction, const PostedEntry& entry,
                        const CompanyChart& chart);

// The entries of one query, each of which stands for at most one store transaction: a day
// that holds two identical transactions needs two identical entries to be wholly posted.
class PostedEntries {
  public:
    PostedEntries(std::vector<PostedEntry> entries, CompanyChart chart);

    struct Match {
        const PostedEntry* same = nullptr;        // the entry that is this transaction
        const PostedEntry* changed = nullptr;     // none is: the import's entry of it, changed since
        std::vector<const PostedEntry*> others;  // same number and date, but not this transaction
    };
    // Finds the transaction and claims the entry, earliest posted first, so that no later
    // transaction is matched with it again. A changed entry is claimed only when no entry is
    // the transaction as the file has it.
    Match claim(const StoreTransaction& transaction);

    const std::vector<PostedEntry>& entries() const { return entries_; }
    const CompanyChart& chart() const { return chart_; }

  private:
    std::vector<PostedEntry> entries_;
    std::vector<bool> claimed_;
    CompanyChart chart_;
};

}  // namespace ztl
