#include "engine/posted_entries.h"

#include <algorithm>
#include <optional>
#include <tuple>

#include "qbxml/answer_document.h"
#include "platform/trim.h"
#include "platform/vb_error.h"
#include "platform/windows1252.h"

namespace ztl {
namespace {

constexpr std::string_view kImportMemo = "Korvane Import";

char lower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

std::string folded(std::string_view s) {
    s = trimmedView(s, kWhitespace);
    std::string out(s);
    std::transform(out.begin(), out.end(), out.begin(), lower);
    return out;
}

std::string childText(pugi::xml_node node, const char* name) {
    pugi::xml_node c = node.child(name);
    return c ? qbxml::textOf(c) : std::string();
}

// An amount as whole cents, its sign dropped (debit or credit says which side it is on);
// empty when it is not [+-]?digits(.d{1,2})?.
std::optional<std::int64_t> centsOf(std::string_view text) {
    std::string_view s = trimmedView(text, kWhitespace);
    if (!s.empty() && (s[0] == '+' || s[0] == '-')) s.remove_prefix(1);
    auto dot = s.find('.');
    std::string_view whole = s.substr(0, dot);
    std::string_view frac = dot == std::string_view::npos ? std::string_view() : s.substr(dot + 1);
    if (whole.empty() || frac.size() > 2 || (dot != std::string_view::npos && frac.empty())) return std::nullopt;
    std::int64_t cents = 0;
    for (char c : whole) {
        if (c < '0' || c > '9' || cents > 9'000'000'000'000'000LL / 10) return std::nullopt;
        cents = cents * 10 + (c - '0');
    }
    if (cents > 90'000'000'000'000'000LL) return std::nullopt;
    cents *= 100;
    for (std::size_t i = 0; i < 2; ++i) {
        char c = i < frac.size() ? frac[i] : '0';
        if (c < '0' || c > '9') return std::nullopt;
        cents += (c - '0') * (i == 0 ? 10 : 1);
    }
    return cents;
}

EntryLine readLine(pugi::xml_node node) {
    EntryLine l;
    l.debit = std::string_view(node.name()) == "JournalDebitLine";
    pugi::xml_node account = node.child("AccountRef");
    l.accountListId = childText(account, "ListID");
    l.account = childText(account, "FullName");
    // An amount that cannot be read matches no line of a store transaction.
    l.cents = centsOf(childText(node, "Amount")).value_or(-1);
    l.memo = childText(node, "Memo");
    l.entity = childText(node.child("EntityRef"), "FullName");
    return l;
}

void readLines(pugi::xml_node parent, std::vector<EntryLine>& lines) {
    for (pugi::xml_node c = parent.first_child(); c; c = c.next_sibling()) {
        std::string_view n = c.name();
        if (n == "JournalDebitLine" || n == "JournalCreditLine") lines.push_back(readLine(c));
    }
}

}  // namespace

bool sameQuickBooksName(std::string_view a, std::string_view b) {
    a = trimmedView(a, kWhitespace);
    b = trimmedView(b, kWhitespace);
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return lower(x) == lower(y); });
}

JournalEntryQueryAnswer readJournalEntryQuery(const std::string& response) {
    pugi::xml_document doc;
    std::string reason;
    if (!qbxml::load(doc, response, reason))
        throw VbError(vb::kTypeMismatch, "clsZTL", "QuickBooks' answer is not well-formed XML: " + reason);
    auto results = qbxml::elementsByTagName(doc, "JournalEntryQueryRs");
    if (results.empty())
        throw VbError(vb::kObjectNotSet, "clsZTL", "QuickBooks' answer holds no journal entry query result");
    JournalEntryQueryAnswer answer;
    pugi::xml_node rs = results[0];
    answer.statusCode = rs.attribute("statusCode").value();
    answer.statusSeverity = rs.attribute("statusSeverity").value();
    answer.statusMessage = rs.attribute("statusMessage").value();
    for (pugi::xml_node ret = rs.child("JournalEntryRet"); ret; ret = ret.next_sibling("JournalEntryRet")) {
        PostedEntry e;
        e.txnId = childText(ret, "TxnID");
        e.timeCreated = childText(ret, "TimeCreated");
        e.timeModified = childText(ret, "TimeModified");
        e.editSequence = childText(ret, "EditSequence");
        e.txnNumber = childText(ret, "TxnNumber");
        e.txnDate = childText(ret, "TxnDate");
        e.refNumber = childText(ret, "RefNumber");
        readLines(ret, e.lines);
        answer.entries.push_back(std::move(e));
    }
    return answer;
}

StoreTransaction transactionOfRequest(const std::string& requestText) {
    pugi::xml_document doc;
    std::string utf8 = windows1252ToUtf8(requestText);
    if (!doc.load_buffer(utf8.data(), utf8.size(), pugi::parse_default, pugi::encoding_utf8))
        throw vbError(vb::kTypeMismatch);
    pugi::xml_node add = doc.child("QBXML").child("QBXMLMsgsRq").child("JournalEntryAddRq").child("JournalEntryAdd");
    if (!add) throw vbError(vb::kObjectNotSet);
    StoreTransaction t;
    t.refNumber = childText(add, "RefNumber");
    t.txnDate = std::string(trimmedView(childText(add, "TxnDate"), kWhitespace));
    readLines(add, t.lines);
    return t;
}

ChartOfAccounts ChartOfAccounts::fromResponse(const std::string& response) {
    pugi::xml_document doc;
    std::string reason;
    if (!qbxml::load(doc, response, reason))
        throw VbError(vb::kTypeMismatch, "clsZTL", "QuickBooks' answer is not well-formed XML: " + reason);
    std::vector<Account> accounts;
    for (const auto& ret : qbxml::elementsByTagName(doc, "AccountRet")) {
        Account a;
        a.listId = childText(ret, "ListID");
        a.fullName = ret.child("FullName") ? childText(ret, "FullName") : childText(ret, "Name");
        a.number = childText(ret, "AccountNumber");
        a.type = childText(ret, "AccountType");
        a.name = ret.child("Name") ? childText(ret, "Name") : a.fullName;
        accounts.push_back(std::move(a));
    }
    return ChartOfAccounts(std::move(accounts));
}

const ChartOfAccounts::Account* ChartOfAccounts::resolve(std::string_view reference) const {
    for (const auto& a : accounts_)
        if (sameQuickBooksName(a.fullName, reference)) return &a;
    std::string_view number = trimmedView(reference, kWhitespace);
    if (number.empty()) return nullptr;
    for (const auto& a : accounts_)
        if (!a.number.empty() && a.number == number) return &a;
    return nullptr;
}

bool carriesImportMemo(const PostedEntry& entry) {
    return !entry.lines.empty() && std::all_of(entry.lines.begin(), entry.lines.end(), [](const EntryLine& l) {
        return trimmedView(l.memo, kWhitespace) == kImportMemo;
    });
}

bool sameKey(const StoreTransaction& transaction, const PostedEntry& entry) {
    return sameQuickBooksName(transaction.refNumber, entry.refNumber) &&
           trimmedView(transaction.txnDate, kWhitespace) == trimmedView(entry.txnDate, kWhitespace);
}

bool sameLines(const StoreTransaction& transaction, const PostedEntry& entry, const ChartOfAccounts& chart) {
    if (transaction.lines.size() != entry.lines.size()) return false;
    using Key = std::tuple<bool, std::string, std::int64_t, std::string>;
    // A request names an account by name or number; QuickBooks answers with its full name.
    // Both become the full name of the account QuickBooks resolves them to.
    auto requestKey = [&](const EntryLine& l) {
        const ChartOfAccounts::Account* a = chart.resolve(l.account);
        return Key{l.debit, folded(a ? a->fullName : l.account), l.cents, folded(l.entity)};
    };
    auto postedKey = [](const EntryLine& l) { return Key{l.debit, folded(l.account), l.cents, folded(l.entity)}; };
    std::vector<Key> wanted, held;
    for (const auto& l : transaction.lines) wanted.push_back(requestKey(l));
    for (const auto& l : entry.lines) held.push_back(postedKey(l));
    std::sort(wanted.begin(), wanted.end());
    std::sort(held.begin(), held.end());
    return wanted == held;
}

PostedEntries::PostedEntries(std::vector<PostedEntry> entries, ChartOfAccounts chart)
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
    for (std::size_t i = 0; i < entries_.size(); ++i) {
        const PostedEntry& e = entries_[i];
        if (!sameKey(transaction, e)) continue;
        if (!m.same && !claimed_[i] && carriesImportMemo(e) && sameLines(transaction, e, chart_)) {
            claimed_[i] = true;
            m.same = &e;
        } else if (!claimed_[i]) {
            m.others.push_back(&e);
        }
    }
    return m;
}

}  // namespace ztl
