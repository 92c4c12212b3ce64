#include "engine/posting/posted_entries.h"

#include <algorithm>
#include <optional>
#include <tuple>

#include "platform/trim.h"
#include "platform/vb_error.h"
#include "platform/windows1252.h"
#include "qbxml/answer_document.h"
#include "qbxml/import_memo.h"

namespace ztl {
bool carriesImportMemo(const PostedEntry& entry) {
    return !entry.lines.empty() && std::all_of(entry.lines.begin(), entry.lines.end(), [](const EntryLine& l) {
        return trimmedView(l.memo, kWhitespace) == kImportMemo;
    });
}

bool sameKey(const StoreTransaction& transaction, const PostedEntry& entry) {
    return sameQuickBooksName(transaction.refNumber, entry.refNumber) &&
           trimmedView(transaction.txnDate, kWhitespace) == trimmedView(entry.txnDate, kWhitespace);
}

namespace {

bool linesAgree(const StoreTransaction& transaction, const PostedEntry& entry, const CompanyChart& chart,
                bool withNames) {
    if (transaction.lines.size() != entry.lines.size()) return false;
    using Key = std::tuple<bool, std::string, std::int64_t, std::string>;
    // A request names an account by name or number; QuickBooks answers with its full name.
    // Both become the full name of the account QuickBooks resolves them to.
    auto requestKey = [&](const EntryLine& l) {
        const CompanyChart::Account* a = chart.resolve(l.account);
        return Key{l.debit, foldedName(a ? a->fullName : l.account), l.cents, withNames ? foldedName(l.entity) : ""};
    };
    auto postedKey = [&](const EntryLine& l) {
        return Key{l.debit, foldedName(l.account), l.cents, withNames ? foldedName(l.entity) : ""};
    };
    std::vector<Key> wanted, held;
    for (const auto& l : transaction.lines) wanted.push_back(requestKey(l));
    for (const auto& l : entry.lines) held.push_back(postedKey(l));
    std::sort(wanted.begin(), wanted.end());
    std::sort(held.begin(), held.end());
    return wanted == held;
}

}  // namespace

bool sameLines(const StoreTransaction& transaction, const PostedEntry& entry, const CompanyChart& chart) {
    return linesAgree(transaction, entry, chart, true);
}

bool changedSinceMade(const PostedEntry& entry) {
    return !entry.timeModified.empty() && entry.timeModified != entry.timeCreated;
}

bool changedImportEntry(const StoreTransaction& transaction, const PostedEntry& entry,
                        const CompanyChart& chart) {
    if (!sameKey(transaction, entry) || !carriesImportMemo(entry) || sameLines(transaction, entry, chart)) return false;
    // Changed by hand in QuickBooks since the import made it, or made with the customer and
    // vendor names of the settings then: another store's entry of the same invoice number and
    // day differs in its accounts or amounts, and was never changed.
    return changedSinceMade(entry) || linesAgree(transaction, entry, chart, false);
}

PostedEntries::PostedEntries(std::vector<PostedEntry> entries, CompanyChart chart)
    : entries_(std::move(entries)), claimed_(entries_.size(), false), chart_(std::move(chart)) {
    // Earliest posted first: QuickBooks numbers its transactions in the order it stores them.
    std::stable_sort(entries_.begin(), entries_.end(), [](const PostedEntry& a, const PostedEntry& b) {
        auto number = [](const PostedEntry& e) {
            std::int64_t n = 0;
            for (char c : e.txnNumber) {
                if (c < '0' || c > '9' || n > 100'000'000'000'000LL) return std::int64_t{-1};
                n = n * 10 + (c - '0');
            }
            return e.txnNumber.empty() ? std::int64_t{-1} : n;
        };
        return std::make_pair(a.timeCreated, number(a)) < std::make_pair(b.timeCreated, number(b));
    });
}

PostedEntries::Match PostedEntries::claim(const StoreTransaction& transaction) {
    Match m;
    std::optional<std::size_t> taken;
    for (std::size_t i = 0; i < entries_.size() && !taken; ++i)
        if (!claimed_[i] && sameKey(transaction, entries_[i]) && carriesImportMemo(entries_[i]) &&
            sameLines(transaction, entries_[i], chart_))
            taken = i;
    if (taken) {
        m.same = &entries_[*taken];
    } else {
        for (std::size_t i = 0; i < entries_.size() && !taken; ++i)
            if (!claimed_[i] && changedImportEntry(transaction, entries_[i], chart_)) taken = i;
        if (taken) m.changed = &entries_[*taken];
    }
    if (taken) claimed_[*taken] = true;
    for (std::size_t i = 0; i < entries_.size(); ++i)
        if (!claimed_[i] && sameKey(transaction, entries_[i])) m.others.push_back(&entries_[i]);
    return m;
}

}  // namespace ztl
