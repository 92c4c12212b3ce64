// The company after the posting: an entry found by its TxnID, removed as a TxnDel removes
// it, or changed as an operator changes it in QuickBooks, and the closing date.
#include <algorithm>

#include "platform/calendar.h"
#include "qbsim/company.h"
#include "qbsim/sqlite_db.h"

namespace ztl::qbsim {

namespace {

bool isDate(std::string_view d) {
    if (d.size() != 10 || d[4] != '-' || d[7] != '-') return false;
    int v[3] = {0, 0, 0};
    std::size_t starts[3] = {0, 5, 8}, lengths[3] = {4, 2, 2};
    for (int k = 0; k < 3; ++k)
        for (std::size_t i = 0; i < lengths[k]; ++i) {
            char c = d[starts[k] + i];
            if (c < '0' || c > '9') return false;
            v[k] = v[k] * 10 + (c - '0');
        }
    return v[0] >= 1 && ztl::isCalendarDate(v[0], v[1], v[2]);
}

// The preferences live in a table of their own, made when the first one is set: a company
// file made before there were preferences has none, and holds no closing date.
bool hasPreferences(Database& db) {
    auto s = db.prepare("SELECT 1 FROM sqlite_master WHERE type = 'table' AND name = 'preference'");
    return s.step();
}

}  // namespace

std::optional<JournalEntry> Company::findEntry(std::string_view txnId) const {
    auto s = db_->prepare("SELECT txn_date FROM journal_entry WHERE txn_id = ?");
    s.bind(1, txnId);
    if (!s.step()) return std::nullopt;
    std::string date = s.text(0);
    for (auto& e : journal(date, date))
        if (e.txnId == txnId) return e;
    return std::nullopt;
}

void Company::applyToBalances(const JournalEntry& entry, int sign) {
    auto account = db_->prepare("SELECT account_type FROM account WHERE id = ?");
    auto balance = db_->prepare("UPDATE account SET balance = balance + ? WHERE id = ?");
    for (const auto& l : entry.lines) {
        account.reset();
        account.bind(1, l.accountId);
        if (!account.step())
            throw CompanyError(CompanyError::Kind::Database, "journal line names a missing account");
        std::int64_t delta = (l.debit == isDebitNormal(account.text(0))) ? l.amountCents : -l.amountCents;
        balance.reset();
        balance.bind(1, sign * delta).bind(2, l.accountId);
        balance.run();
    }
}

bool Company::remove(std::string_view txnId) {
    if (!inTransaction_)
        throw CompanyError(CompanyError::Kind::Database,
                           "a journal entry is removed only inside a transaction");
    auto entry = findEntry(txnId);
    if (!entry) return false;
    applyToBalances(*entry, -1);
    auto lines = db_->prepare("DELETE FROM journal_line WHERE entry_id = ?");
    lines.bind(1, entry->id);
    lines.run();
    auto e = db_->prepare("DELETE FROM journal_entry WHERE id = ?");
    e.bind(1, entry->id);
    e.run();
    return true;
}

JournalEntry Company::changeLineAmounts(std::string_view txnId,
                                        const std::vector<std::pair<std::size_t, std::int64_t>>& amounts) {
    std::optional<JournalEntry> changed;
    auto work = [&] {
        auto entry = findEntry(txnId);
        if (!entry)
            throw CompanyError(CompanyError::Kind::NotFound,
                               "the company holds no journal entry with TxnID " + std::string(txnId));
        JournalEntry after = *entry;
        for (const auto& [index, cents] : amounts) {
            if (index >= after.lines.size())
                throw CompanyError(CompanyError::Kind::Invalid,
                                   "the entry has no line " + std::to_string(index + 1));
            if (cents < 0) throw CompanyError(CompanyError::Kind::Invalid, "a line amount is never negative");
            after.lines[index].amountCents = cents;
        }
        std::int64_t debits = 0, credits = 0;
        for (const auto& l : after.lines) (l.debit ? debits : credits) += l.amountCents;
        if (debits != credits)
            throw CompanyError(CompanyError::Kind::Invalid, "the entry would no longer balance");
        applyToBalances(*entry, -1);
        applyToBalances(after, +1);
        // The line ids in stored order are the lines' order.
        auto ids = db_->prepare("SELECT id FROM journal_line WHERE entry_id = ? ORDER BY id");
        ids.bind(1, entry->id);
        std::vector<std::int64_t> lineIds;
        while (ids.step()) lineIds.push_back(ids.integer(0));
        auto set = db_->prepare("UPDATE journal_line SET amount = ? WHERE id = ?");
        for (std::size_t i = 0; i < lineIds.size() && i < after.lines.size(); ++i) {
            set.reset();
            set.bind(1, after.lines[i].amountCents).bind(2, lineIds[i]);
            set.run();
        }
        // An edit is always later than what it edits, even within the same second.
        std::int64_t t =
            std::max<std::int64_t>(now(), std::max(entry->timeModified, entry->editSequence) + 1);
        auto touch =
            db_->prepare("UPDATE journal_entry SET time_modified = ?, edit_sequence = ? WHERE id = ?");
        touch.bind(1, t).bind(2, t).bind(3, entry->id);
        touch.run();
        after.timeModified = after.editSequence = t;
        changed = std::move(after);
        return true;
    };
    if (inTransaction_)
        work();
    else
        inWriteTransaction(work);
    return *changed;
}

std::optional<std::string> Company::closingDate() const {
    if (!hasPreferences(*db_)) return std::nullopt;
    auto s = db_->prepare("SELECT value FROM preference WHERE name = 'ClosingDate'");
    if (!s.step() || s.isNull(0) || s.text(0).empty()) return std::nullopt;
    return s.text(0);
}

void Company::setClosingDate(const std::string& date) {
    if (!date.empty() && !isDate(date))
        throw CompanyError(CompanyError::Kind::Invalid, "\"" + date + "\" is no date of the form YYYY-MM-DD");
    auto work = [&] {
        db_->exec("CREATE TABLE IF NOT EXISTS preference(name TEXT PRIMARY KEY, value TEXT) WITHOUT ROWID");
        if (date.empty()) {
            db_->exec("DELETE FROM preference WHERE name = 'ClosingDate'");
        } else {
            auto s = db_->prepare("INSERT OR REPLACE INTO preference(name, value) VALUES ('ClosingDate', ?)");
            s.bind(1, date);
            s.run();
        }
        return true;
    };
    if (inTransaction_)
        work();
    else
        inWriteTransaction(work);
}

}  // namespace ztl::qbsim
