#pragma once
// The simulated QuickBooks company: one SQLite file (extension .qbw, like a company file)
// holding the chart of accounts, customers, vendors and posted journal entries.
//
// Invariants kept by this class, not by its callers:
// - Account names are unique ignoring case and surrounding blanks, account numbers are
//   unique, and customer and vendor names share one name list (as QuickBooks' name list
//   does), so every lookup by name finds at most one record.
// - Money is whole cents (std::int64_t); an account's balance is kept in its natural sign
//   (debits raise asset and expense accounts, credits raise the others).
// - IDs are those of QuickBooks: a hexadecimal counter, a dash and the Unix seconds of
//   creation (list records count from 80000001, transactions from 1).
// Errors: CompanyError (company_error.h); nothing is half-written, every change is one
// SQLite transaction.
#include <chrono>
#include <cstdint>
#include <ctime>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "qbsim/company_error.h"

namespace ztl::qbsim {

class Database;

// qbXML 1.0's account types, in the spelling of the AccountType element.
const std::vector<std::string>& accountTypes();
// The canonical spelling of an account type given in any case; empty when unknown.
std::optional<std::string> canonicalAccountType(std::string_view type);
// True for the types whose balance a debit raises.
bool isDebitNormal(std::string_view accountType);

struct NewAccount {
    std::string number;  // may be empty: the account then has no AccountNumber
    std::string name;
    std::string type;  // any case; stored in its canonical spelling
    std::string desc;  // may be empty
};

struct Account {
    std::int64_t id = 0;
    std::string listId;
    std::int64_t timeCreated = 0, timeModified = 0, editSequence = 0;
    std::string name;  // also the full name: the simulated chart has no subaccounts
    bool active = true;
    std::string type, number, desc;
    std::int64_t balanceCents = 0;
};

struct Entity {
    enum class Kind { Customer, Vendor };
    std::int64_t id = 0;
    Kind kind = Kind::Customer;
    std::string listId;
    std::int64_t timeCreated = 0, timeModified = 0, editSequence = 0;
    std::string name;
};

struct JournalLine {
    bool debit = true;
    std::int64_t accountId = 0;
    std::string accountListId, accountName;  // filled when read back
    std::int64_t amountCents = 0;
    std::optional<std::string> memo;
    std::optional<std::int64_t> entityId;
    Entity::Kind entityKind = Entity::Kind::Customer;
    std::string entityListId, entityName;  // filled when read back
};

struct JournalEntry {
    std::int64_t id = 0;
    std::string txnId;
    std::int64_t timeCreated = 0, timeModified = 0, editSequence = 0;
    std::int64_t txnNumber = 0;
    std::string txnDate;  // YYYY-MM-DD
    std::optional<std::string> refNumber, memo;
    std::vector<JournalLine> lines;  // debit lines first, each group in request order
};

struct CompanyOptions {
    // How long a change waits for another process's lock before it fails as Busy.
    std::chrono::milliseconds busyTimeout{5000};
    // The clock of IDs, times and the default transaction date; std::time when empty.
    std::function<std::time_t()> now;
};

class Company {
  public:
    using Options = CompanyOptions;

    // Creates a new, empty company file; never overwrites an existing file (Exists).
    static Company create(const std::filesystem::path& file, Options options = {});
    // Opens an existing company file: NotFound when missing, NotACompany when the file is
    // not one this program made.
    static Company open(const std::filesystem::path& file, Options options = {});

    Company(Company&&) noexcept;
    Company& operator=(Company&&) noexcept;
    ~Company();

    const std::filesystem::path& file() const { return file_; }
    std::time_t now() const;

    // All accounts are checked before any is stored; one transaction.
    void addAccounts(const std::vector<NewAccount>& accounts);
    Account addAccount(const NewAccount& account);
    Entity addCustomer(const std::string& name);
    Entity addVendor(const std::string& name);

    std::vector<Account> accounts(bool activeOnly = true) const;
    std::vector<Entity> entities() const;       // customers first, then vendors, each by name
    std::vector<JournalEntry> journal() const;  // by TxnNumber
    // The entries dated from..to (YYYY-MM-DD, either end open when empty), by TxnNumber.
    std::vector<JournalEntry> journal(const std::string& fromDate, const std::string& toDate) const;

    // Lookups, valid inside or outside a transaction.
    // An account by its name ignoring case and surrounding blanks, failing that by its number.
    std::optional<Account> findAccount(std::string_view nameOrNumber) const;
    std::optional<Account> findAccountByListId(std::string_view listId) const;
    // A customer or vendor by its name ignoring case and surrounding blanks.
    std::optional<Entity> findEntity(std::string_view name) const;
    std::optional<Entity> findEntityByListId(std::string_view listId) const;

    // Runs fn inside one write transaction (the file's write lock is taken first, waiting
    // up to the busy timeout): fn's lookups and its post() see one state of the file, and
    // nothing is stored when fn throws. fn returns true to commit, false to roll back.
    void inWriteTransaction(const std::function<bool()>& fn);

    // Stores a journal entry and updates the balances of its accounts. The caller has
    // checked it (references exist, debits equal credits); TxnID, times and TxnNumber are
    // assigned here. Must run inside inWriteTransaction.
    JournalEntry post(JournalEntry entry);

    // After the posting (company_changes.cpp).
    // The entry with this TxnID, lines and all; nothing when the company holds none.
    std::optional<JournalEntry> findEntry(std::string_view txnId) const;
    // Removes the entry and takes its lines out of the account balances, as a TxnDel
    // does; false when the company holds no such entry. Must run inside inWriteTransaction.
    bool remove(std::string_view txnId);
    // Sets the amounts of some of an entry's lines (index in stored order) as an operator
    // editing it in QuickBooks would: the balances follow, the entry must still balance
    // (Invalid otherwise), and TimeModified and EditSequence move on past their old value.
    // Returns the entry as it is now; NotFound when the company holds no such entry.
    JournalEntry changeLineAmounts(std::string_view txnId,
                                   const std::vector<std::pair<std::size_t, std::int64_t>>& amounts);
    // The accounting preference "closing date" (YYYY-MM-DD); nothing when none is set.
    std::optional<std::string> closingDate() const;
    // An empty date clears it; Invalid when the text is no calendar date.
    void setClosingDate(const std::string& date);

  private:
    Company(std::filesystem::path file, std::unique_ptr<Database> db, Options options);
    Entity addEntity(const std::string& name, Entity::Kind kind);
    std::string nextId(const char* counter);
    void applyToBalances(const JournalEntry& entry, int sign);
    void checkNewName(std::string_view name, const char* what) const;

    std::filesystem::path file_;
    std::unique_ptr<Database> db_;
    Options options_;
    bool inTransaction_ = false;
};

}  // namespace ztl::qbsim
