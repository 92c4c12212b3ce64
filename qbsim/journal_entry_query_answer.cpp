#include "qbsim/answers.h"

#include <algorithm>
#include <optional>
#include <string>

#include "platform/trim.h"
#include "qbxml/names.h"
#include "qbxml/values.h"

namespace ztl::qbsim {
namespace {

// A date and time of a modified-date filter: YYYY-MM-DD, or with THH:MM:SS, local time unless
// an offset (+HH:MM, -HH:MM or Z) follows; empty when it is none of these.
std::optional<std::time_t> parseDateTime(std::string_view text) {
    std::string_view t = trimmedView(text, kWhitespace);
    if (t.size() < 10 || !isQbxmlDate(t.substr(0, 10))) return std::nullopt;
    std::tm tm{};
    tm.tm_year = std::stoi(std::string(t.substr(0, 4))) - 1900;
    tm.tm_mon = std::stoi(std::string(t.substr(5, 2))) - 1;
    tm.tm_mday = std::stoi(std::string(t.substr(8, 2)));
    t.remove_prefix(10);
    if (!t.empty()) {
        if (t.size() < 9 || t[0] != 'T' || t[3] != ':' || t[6] != ':') return std::nullopt;
        for (std::size_t i : {1, 2, 4, 5, 7, 8})
            if (t[i] < '0' || t[i] > '9') return std::nullopt;
        tm.tm_hour = (t[1] - '0') * 10 + (t[2] - '0');
        tm.tm_min = (t[4] - '0') * 10 + (t[5] - '0');
        tm.tm_sec = (t[7] - '0') * 10 + (t[8] - '0');
        if (tm.tm_hour > 23 || tm.tm_min > 59 || tm.tm_sec > 59) return std::nullopt;
        t.remove_prefix(9);
    }
    if (t.empty()) {
        tm.tm_isdst = -1;
        return std::mktime(&tm);
    }
    long offset = 0;
    if (t == "Z") {
    } else if (t.size() == 6 && (t[0] == '+' || t[0] == '-') && t[3] == ':') {
        for (std::size_t i : {1, 2, 4, 5})
            if (t[i] < '0' || t[i] > '9') return std::nullopt;
        offset = ((t[1] - '0') * 10 + (t[2] - '0')) * 3600L + ((t[4] - '0') * 10 + (t[5] - '0')) * 60L;
        if (t[0] == '-') offset = -offset;
    } else {
        return std::nullopt;
    }
    return timegm(&tm) - offset;
}

bool refMatches(const JournalEntryQueryRq& q, const JournalEntry& e) {
    const std::string ref = foldedName(e.refNumber.value_or(""));
    if (!q.refNumbers.empty() && std::none_of(q.refNumbers.begin(), q.refNumbers.end(),
                                              [&](const std::string& r) { return foldedName(r) == ref; }))
        return false;
    return passes(q.ref, ref);
}

}  // namespace

void answerJournalEntryQuery(Company& company, const Request& r, XmlOut& x, Status& st) {
    const JournalEntryQueryRq& q = r.journalQuery;
    auto refuse = [&](const Status& s) { refusalRs(x, "JournalEntryQuery", r, st = s); };
    const MaxReturned max = readMaxReturned(q.maxReturned);
    if (max.refusal) return refuse(*max.refusal);
    std::string from, to;
    if (q.fromTxnDate) {
        from = std::string(trimmedView(*q.fromTxnDate, kWhitespace));
        if (!isQbxmlDate(from)) return refuse(conversionError(*q.fromTxnDate, "FromTxnDate"));
    }
    if (q.toTxnDate) {
        to = std::string(trimmedView(*q.toTxnDate, kWhitespace));
        if (!isQbxmlDate(to)) return refuse(conversionError(*q.toTxnDate, "ToTxnDate"));
    }
    std::optional<std::time_t> fromModified, toModified;
    if (q.fromModified && !(fromModified = parseDateTime(*q.fromModified)))
        return refuse(conversionError(*q.fromModified, "FromModifiedDate"));
    if (q.toModified && !(toModified = parseDateTime(*q.toModified)))
        return refuse(conversionError(*q.toModified, "ToModifiedDate"));
    bool lines = false;
    if (q.includeLineItems) {
        std::string_view v = trimmedView(*q.includeLineItems, kWhitespace);
        if (v == "true" || v == "1")
            lines = true;
        else if (v != "false" && v != "0")
            return refuse(conversionError(*q.includeLineItems, "IncludeLineItems"));
    }

    std::vector<JournalEntry> found;
    for (auto& e : company.journal(from, to)) {
        if (!q.txnIds.empty() && std::find(q.txnIds.begin(), q.txnIds.end(), e.txnId) == q.txnIds.end())
            continue;
        if (!refMatches(q, e)) continue;
        if (fromModified && e.timeModified < *fromModified) continue;
        if (toModified && e.timeModified > *toModified) continue;
        auto anyLine = [&](auto pred) { return std::any_of(e.lines.begin(), e.lines.end(), pred); };
        if (q.entity && !anyLine([&](const JournalLine& l) {
                return l.entityId && sameQuickBooksName(l.entityName, *q.entity);
            }))
            continue;
        if (q.account &&
            !anyLine([&](const JournalLine& l) { return sameQuickBooksName(l.accountName, *q.account); }))
            continue;
        found.push_back(std::move(e));
        if (max.count && static_cast<long>(found.size()) >= *max.count) break;
    }
    if (found.empty()) return refuse(nothingFound());
    openRs(x, "JournalEntryQuery", r, st);
    for (const auto& e : found) journalEntryOut(x, e, lines);
    x.close("JournalEntryQueryRs");
}

}  // namespace ztl::qbsim
