#include "qbsim/company.h"

#include <algorithm>
#include <cstdio>
#include <system_error>

#include "platform/trim.h"
#include "qbsim/sqlite_db.h"
#include "qbxml/names.h"

namespace ztl::qbsim {

namespace {

// Marks a SQLite file as a simulated company ("ZTLQ"), so that any other database or file
// is refused on open instead of being taken for an empty company.
constexpr std::int64_t kApplicationId = 0x5A544C51;
constexpr int kSchemaVersion = 1;

// The file keeps SQLite's default rollback journal, not WAL: a company file may lie on a
// network share, where WAL's shared-memory index does not work, and it stays one file.
constexpr const char* kSchema = R"sql(
CREATE TABLE counter(name TEXT PRIMARY KEY, next INTEGER NOT NULL) WITHOUT ROWID;
INSERT INTO counter VALUES ('list', 2147483649), ('txn', 1), ('txn_number', 1);
CREATE TABLE account(
  id INTEGER PRIMARY KEY,
  list_id TEXT NOT NULL UNIQUE,
  time_created INTEGER NOT NULL,
  time_modified INTEGER NOT NULL,
  edit_sequence INTEGER NOT NULL,
  name TEXT NOT NULL,
  name_key TEXT NOT NULL UNIQUE,
  is_active INTEGER NOT NULL DEFAULT 1,
  account_type TEXT NOT NULL,
  account_number TEXT UNIQUE,
  description TEXT,
  balance INTEGER NOT NULL DEFAULT 0);
CREATE TABLE entity(
  id INTEGER PRIMARY KEY,
  kind TEXT NOT NULL CHECK (kind IN ('customer', 'vendor')),
  list_id TEXT NOT NULL UNIQUE,
  time_created INTEGER NOT NULL,
  time_modified INTEGER NOT NULL,
  edit_sequence INTEGER NOT NULL,
  name TEXT NOT NULL,
  name_key TEXT NOT NULL UNIQUE);
CREATE TABLE journal_entry(
  id INTEGER PRIMARY KEY,
  txn_id TEXT NOT NULL UNIQUE,
  time_created INTEGER NOT NULL,
  time_modified INTEGER NOT NULL,
  edit_sequence INTEGER NOT NULL,
  txn_number INTEGER NOT NULL UNIQUE,
  txn_date TEXT NOT NULL,
  ref_number TEXT,
  memo TEXT);
CREATE TABLE journal_line(
  id INTEGER PRIMARY KEY,
  entry_id INTEGER NOT NULL REFERENCES journal_entry(id),
  is_debit INTEGER NOT NULL,
  account_id INTEGER NOT NULL REFERENCES account(id),
  amount INTEGER NOT NULL,
  memo TEXT,
  entity_id INTEGER REFERENCES entity(id));
CREATE INDEX journal_line_entry ON journal_line(entry_id);
)sql";

bool hasControlCharacter(std::string_view s) {
    return std::any_of(s.begin(), s.end(), [](char c) {
        auto u = static_cast<unsigned char>(c);
        return u < 0x20 || u == 0x7f;
    });
}

constexpr const char* kAccountColumns =
    "id, list_id, time_created, time_modified, edit_sequence, name, is_active, account_type, "
    "account_number, description, balance";

// The columns an account's and a journal entry's queries start with: the row, QuickBooks'
// own id (ListID, TxnID), when the record was made and last changed, its edit sequence.
template <class Record>
void readRecordHead(const Statement& s, Record& r, std::string Record::*quickBooksId) {
    r.id = s.integer(0);
    r.*quickBooksId = s.text(1);
    r.timeCreated = s.integer(2);
    r.timeModified = s.integer(3);
    r.editSequence = s.integer(4);
}

Account readAccount(const Statement& s) {
    Account a;
    readRecordHead(s, a, &Account::listId);
    a.name = s.text(5);
    a.active = s.integer(6) != 0;
    a.type = s.text(7);
    a.number = s.text(8);
    a.desc = s.text(9);
    a.balanceCents = s.integer(10);
    return a;
}

constexpr const char* kEntityColumns = "id, kind, list_id, time_created, time_modified, edit_sequence, name";

Entity readEntity(const Statement& s) {
    Entity e;
    e.id = s.integer(0);
    e.kind = s.text(1) == "vendor" ? Entity::Kind::Vendor : Entity::Kind::Customer;
    e.listId = s.text(2);
    e.timeCreated = s.integer(3);
    e.timeModified = s.integer(4);
    e.editSequence = s.integer(5);
    e.name = s.text(6);
    return e;
}

// The record a one-parameter query finds first; empty when it finds none.
template <class Record>
std::optional<Record> firstRecord(Statement s, std::string_view key, Record (*read)(const Statement&)) {
    s.bind(1, key);
    if (s.step()) return read(s);
    return std::nullopt;
}

}  // namespace

const std::vector<std::string>& accountTypes() {
    static const std::vector<std::string> types = {"AccountsPayable",
                                                   "AccountsReceivable",
                                                   "Bank",
                                                   "CostOfGoodsSold",
                                                   "CreditCard",
                                                   "Equity",
                                                   "Expense",
                                                   "FixedAsset",
                                                   "Income",
                                                   "LongTermLiability",
                                                   "NonPosting",
                                                   "OtherAsset",
                                                   "OtherCurrentAsset",
                                                   "OtherCurrentLiability",
                                                   "OtherExpense",
                                                   "OtherIncome"};
    return types;
}

std::optional<std::string> canonicalAccountType(std::string_view type) {
    std::string key = foldedName(type);
    for (const auto& t : accountTypes())
        if (foldedName(t) == key) return t;
    return std::nullopt;
}

bool isDebitNormal(std::string_view t) {
    return t == "Bank" || t == "AccountsReceivable" || t == "OtherCurrentAsset" || t == "FixedAsset" ||
           t == "OtherAsset" || t == "Expense" || t == "OtherExpense" || t == "CostOfGoodsSold";
}

Company::Company(std::filesystem::path file, std::unique_ptr<Database> db, Options options)
    : file_(std::move(file)), db_(std::move(db)), options_(std::move(options)) {}
Company::Company(Company&&) noexcept = default;
Company& Company::operator=(Company&&) noexcept = default;
Company::~Company() = default;

Company Company::create(const std::filesystem::path& file, Options options) {
    std::error_code ec;
    bool exists = std::filesystem::exists(file, ec);
    if (ec)
        throw CompanyError(CompanyError::Kind::Database,
                           "cannot look at " + file.string() + ": " + ec.message());
    if (exists)
        throw CompanyError(CompanyError::Kind::Exists,
                           file.string() + " already exists; a new company is never written over a file");
    auto db = std::make_unique<Database>(file.string(), Database::Mode::CreateNew, options.busyTimeout);
    try {
        db->exec("BEGIN EXCLUSIVE");
        db->exec(kSchema);
        db->exec(("PRAGMA application_id = " + std::to_string(kApplicationId)).c_str());
        db->exec(("PRAGMA user_version = " + std::to_string(kSchemaVersion)).c_str());
        db->exec("COMMIT");
    } catch (...) {
        db.reset();
        std::filesystem::remove(file, ec);
        throw;
    }
    return Company(file, std::move(db), std::move(options));
}

Company Company::open(const std::filesystem::path& file, Options options) {
    std::error_code ec;
    if (!std::filesystem::is_regular_file(file, ec))
        throw CompanyError(CompanyError::Kind::NotFound, "company file " + file.string() + " does not exist");
    auto db = std::make_unique<Database>(file.string(), Database::Mode::OpenExisting, options.busyTimeout);
    std::int64_t appId = 0, version = 0;
    try {
        auto s = db->prepare("PRAGMA application_id");
        if (s.step()) appId = s.integer(0);
        auto v = db->prepare("PRAGMA user_version");
        if (v.step()) version = v.integer(0);
    } catch (const CompanyError& e) {
        if (e.kind == CompanyError::Kind::Busy) throw;
        throw CompanyError(CompanyError::Kind::NotACompany,
                           file.string() + " is not a simulated company file (" + e.what() + ")");
    }
    if (appId != kApplicationId)
        throw CompanyError(CompanyError::Kind::NotACompany,
                           file.string() + " is not a simulated company file");
    if (version != kSchemaVersion)
        throw CompanyError(
            CompanyError::Kind::NotACompany,
            file.string() + " is a simulated company file of an unknown version " + std::to_string(version));
    return Company(file, std::move(db), std::move(options));
}

std::time_t Company::now() const {
    return options_.now ? options_.now() : std::time(nullptr);
}

std::string Company::nextId(const char* counter) {
    auto s = db_->prepare("UPDATE counter SET next = next + 1 WHERE name = ? RETURNING next - 1");
    s.bind(1, std::string_view(counter));
    if (!s.step())
        throw CompanyError(CompanyError::Kind::Database, std::string("counter ") + counter + " missing");
    auto n = static_cast<unsigned long long>(s.integer(0));
    s.run();
    char buf[48];
    std::snprintf(buf, sizeof buf, "%llX-%lld", n, static_cast<long long>(now()));
    return buf;
}

void Company::inWriteTransaction(const std::function<bool()>& fn) {
    if (inTransaction_) throw CompanyError(CompanyError::Kind::Database, "nested company transaction");
    WriteTransaction tx(*db_);
    inTransaction_ = true;
    struct Reset {
        bool& flag;
        ~Reset() { flag = false; }
    } reset{inTransaction_};
    if (fn()) tx.commit();
}

void Company::checkNewName(std::string_view name, const char* what) const {
    if (trimmedView(name, kWhitespace).empty())
        throw CompanyError(CompanyError::Kind::Invalid, std::string(what) + " name is empty");
    if (hasControlCharacter(name))
        throw CompanyError(CompanyError::Kind::Invalid,
                           std::string(what) + " name contains a control character");
}

void Company::addAccounts(const std::vector<NewAccount>& accounts) {
    auto work = [&] {
        auto insert = db_->prepare(
            "INSERT INTO account(list_id, time_created, time_modified, edit_sequence, name, name_key, "
            "account_type, account_number, description) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?)");
        auto nameTaken = db_->prepare("SELECT 1 FROM account WHERE name_key = ?");
        auto numberTaken = db_->prepare("SELECT 1 FROM account WHERE trim(account_number, ?) = ?");
        for (const auto& a : accounts) {
            checkNewName(a.name, "account");
            // Names and numbers are stored exactly as given, blanks and all: only the lookups
            // ignore the blanks around them.
            const std::string& name = a.name;
            // A colon separates a parent from its subaccount in a full name; this chart has
            // no subaccounts, so a name with one could never be referred to.
            if (name.find(':') != std::string::npos)
                throw CompanyError(CompanyError::Kind::Invalid,
                                   "account name \"" + name + "\" contains a colon");
            auto type = canonicalAccountType(a.type);
            if (!type)
                throw CompanyError(CompanyError::Kind::Invalid, "unknown account type \"" + a.type + "\"");
            const std::string& number = a.number;
            if (hasControlCharacter(a.number) || hasControlCharacter(a.desc))
                throw CompanyError(CompanyError::Kind::Invalid,
                                   "account \"" + name + "\": control character in number or description");
            nameTaken.reset();
            nameTaken.bind(1, foldedName(name));
            if (nameTaken.step())
                throw CompanyError(CompanyError::Kind::Invalid,
                                   "an account named \"" + name + "\" already exists");
            if (!trimmedView(number, kWhitespace).empty()) {
                numberTaken.reset();
                numberTaken.bind(1, kWhitespace).bind(2, trimmedView(number, kWhitespace));
                if (numberTaken.step())
                    throw CompanyError(CompanyError::Kind::Invalid,
                                       "an account numbered " + number + " already exists");
            }
            std::int64_t t = now();
            insert.reset();
            insert.bind(1, nextId("list"))
                .bind(2, t)
                .bind(3, t)
                .bind(4, t)
                .bind(5, name)
                .bind(6, foldedName(name));
            insert.bind(7, *type);
            if (number.empty())
                insert.bindNull(8);
            else
                insert.bind(8, number);
            if (a.desc.empty())
                insert.bindNull(9);
            else
                insert.bind(9, a.desc);
            insert.run();
        }
        return true;
    };
    if (inTransaction_)
        work();
    else
        inWriteTransaction(work);
}

Account Company::addAccount(const NewAccount& account) {
    addAccounts({account});
    auto found = findAccount(account.name);
    if (!found) throw CompanyError(CompanyError::Kind::Database, "account vanished after it was added");
    return *found;
}

Entity Company::addEntity(const std::string& rawName, Entity::Kind kind) {
    const char* what = kind == Entity::Kind::Customer ? "customer" : "vendor";
    checkNewName(rawName, what);
    const std::string& name = rawName;
    std::optional<Entity> added;
    auto work = [&] {
        if (auto other = findEntity(name))
            throw CompanyError(CompanyError::Kind::Invalid,
                               std::string("the name \"") + name + "\" is already used by a " +
                                   (other->kind == Entity::Kind::Customer ? "customer" : "vendor"));
        std::int64_t t = now();
        auto s = db_->prepare(
            "INSERT INTO entity(kind, list_id, time_created, time_modified, edit_sequence, name, name_key) "
            "VALUES (?, ?, ?, ?, ?, ?, ?)");
        s.bind(1, std::string_view(what)).bind(2, nextId("list")).bind(3, t).bind(4, t).bind(5, t);
        s.bind(6, name).bind(7, foldedName(name));
        s.run();
        added = findEntity(name);
        return true;
    };
    if (inTransaction_)
        work();
    else
        inWriteTransaction(work);
    return *added;
}

Entity Company::addCustomer(const std::string& name) {
    return addEntity(name, Entity::Kind::Customer);
}
Entity Company::addVendor(const std::string& name) {
    return addEntity(name, Entity::Kind::Vendor);
}

std::vector<Account> Company::accounts(bool activeOnly) const {
    auto s = db_->prepare(std::string("SELECT ") + kAccountColumns + " FROM account" +
                          (activeOnly ? " WHERE is_active" : "") + " ORDER BY id");
    std::vector<Account> out;
    while (s.step()) out.push_back(readAccount(s));
    return out;
}

std::vector<Entity> Company::entities() const {
    auto s = db_->prepare(std::string("SELECT ") + kEntityColumns + " FROM entity ORDER BY kind, name_key");
    std::vector<Entity> out;
    while (s.step()) out.push_back(readEntity(s));
    return out;
}

std::optional<Account> Company::findAccount(std::string_view nameOrNumber) const {
    auto byName = db_->prepare(std::string("SELECT ") + kAccountColumns + " FROM account WHERE name_key = ?");
    byName.bind(1, foldedName(nameOrNumber));
    if (byName.step()) return readAccount(byName);
    std::string_view number = trimmedView(nameOrNumber, kWhitespace);
    if (number.empty()) return std::nullopt;
    auto byNumber = db_->prepare(std::string("SELECT ") + kAccountColumns +
                                 " FROM account WHERE trim(account_number, ?) = ?");
    byNumber.bind(1, kWhitespace).bind(2, number);
    if (byNumber.step()) return readAccount(byNumber);
    return std::nullopt;
}

std::optional<Account> Company::findAccountByListId(std::string_view listId) const {
    return firstRecord(
        db_->prepare(std::string("SELECT ") + kAccountColumns + " FROM account WHERE list_id = ?"),
        trimmedView(listId, kWhitespace), readAccount);
}

std::optional<Entity> Company::findEntity(std::string_view name) const {
    return firstRecord(
        db_->prepare(std::string("SELECT ") + kEntityColumns + " FROM entity WHERE name_key = ?"),
        foldedName(name), readEntity);
}

std::optional<Entity> Company::findEntityByListId(std::string_view listId) const {
    return firstRecord(
        db_->prepare(std::string("SELECT ") + kEntityColumns + " FROM entity WHERE list_id = ?"),
        trimmedView(listId, kWhitespace), readEntity);
}

JournalEntry Company::post(JournalEntry e) {
    if (!inTransaction_)
        throw CompanyError(CompanyError::Kind::Database,
                           "a journal entry is posted only inside a transaction");
    std::int64_t t = now();
    e.txnId = nextId("txn");
    e.timeCreated = e.timeModified = e.editSequence = t;
    {
        auto s =
            db_->prepare("UPDATE counter SET next = next + 1 WHERE name = 'txn_number' RETURNING next - 1");
        if (!s.step()) throw CompanyError(CompanyError::Kind::Database, "counter txn_number missing");
        e.txnNumber = s.integer(0);
        s.run();
    }
    auto ins = db_->prepare(
        "INSERT INTO journal_entry(txn_id, time_created, time_modified, edit_sequence, txn_number, txn_date, "
        "ref_number, memo) VALUES (?, ?, ?, ?, ?, ?, ?, ?)");
    ins.bind(1, e.txnId).bind(2, t).bind(3, t).bind(4, t).bind(5, e.txnNumber).bind(6, e.txnDate);
    ins.bindOptional(7, e.refNumber).bindOptional(8, e.memo);
    ins.run();
    e.id = db_->lastInsertRowId();
    auto line = db_->prepare(
        "INSERT INTO journal_line(entry_id, is_debit, account_id, amount, memo, entity_id) VALUES (?, ?, ?, "
        "?, ?, ?)");
    auto account = db_->prepare("SELECT list_id, name, account_type FROM account WHERE id = ?");
    auto balance = db_->prepare("UPDATE account SET balance = balance + ? WHERE id = ?");
    auto entity = db_->prepare("SELECT list_id, name FROM entity WHERE id = ?");
    for (auto& l : e.lines) {
        line.reset();
        line.bind(1, e.id).bind(2, std::int64_t{l.debit ? 1 : 0}).bind(3, l.accountId).bind(4, l.amountCents);
        line.bindOptional(5, l.memo);
        if (l.entityId)
            line.bind(6, *l.entityId);
        else
            line.bindNull(6);
        line.run();
        account.reset();
        account.bind(1, l.accountId);
        if (!account.step())
            throw CompanyError(CompanyError::Kind::Database, "journal line names a missing account");
        l.accountListId = account.text(0);
        l.accountName = account.text(1);
        std::int64_t delta = (l.debit == isDebitNormal(account.text(2))) ? l.amountCents : -l.amountCents;
        balance.reset();
        balance.bind(1, delta).bind(2, l.accountId);
        balance.run();
        if (l.entityId) {
            entity.reset();
            entity.bind(1, *l.entityId);
            if (!entity.step())
                throw CompanyError(CompanyError::Kind::Database, "journal line names a missing entity");
            l.entityListId = entity.text(0);
            l.entityName = entity.text(1);
        }
    }
    return e;
}

std::vector<JournalEntry> Company::journal() const {
    return journal("", "");
}

std::vector<JournalEntry> Company::journal(const std::string& fromDate, const std::string& toDate) const {
    std::vector<JournalEntry> out;
    auto s = db_->prepare(
        "SELECT id, txn_id, time_created, time_modified, edit_sequence, txn_number, txn_date, ref_number, "
        "memo "
        "FROM journal_entry WHERE (?1 = '' OR txn_date >= ?1) AND (?2 = '' OR txn_date <= ?2) "
        "ORDER BY txn_number");
    s.bind(1, fromDate);
    s.bind(2, toDate);
    while (s.step()) {
        JournalEntry e;
        readRecordHead(s, e, &JournalEntry::txnId);
        e.txnNumber = s.integer(5);
        e.txnDate = s.text(6);
        if (!s.isNull(7)) e.refNumber = s.text(7);
        if (!s.isNull(8)) e.memo = s.text(8);
        out.push_back(std::move(e));
    }
    auto l = db_->prepare(
        "SELECT l.is_debit, l.account_id, a.list_id, a.name, l.amount, l.memo, l.entity_id, n.kind, "
        "n.list_id, n.name "
        "FROM journal_line l JOIN account a ON a.id = l.account_id LEFT JOIN entity n ON n.id = l.entity_id "
        "WHERE l.entry_id = ? ORDER BY l.id");
    for (auto& e : out) {
        l.reset();
        l.bind(1, e.id);
        while (l.step()) {
            JournalLine line;
            line.debit = l.integer(0) != 0;
            line.accountId = l.integer(1);
            line.accountListId = l.text(2);
            line.accountName = l.text(3);
            line.amountCents = l.integer(4);
            if (!l.isNull(5)) line.memo = l.text(5);
            if (!l.isNull(6)) {
                line.entityId = l.integer(6);
                line.entityKind = l.text(7) == "vendor" ? Entity::Kind::Vendor : Entity::Kind::Customer;
                line.entityListId = l.text(8);
                line.entityName = l.text(9);
            }
            e.lines.push_back(std::move(line));
        }
    }
    return out;
}

}  // namespace ztl::qbsim
