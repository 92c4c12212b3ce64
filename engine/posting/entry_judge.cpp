#include "engine/posting/entry_judge.h"

#include <algorithm>

#include "platform/calendar.h"
#include "qbxml/values.h"
#include "platform/request_processor.h"
#include "platform/trim.h"
#include "platform/windows1252.h"

namespace ztl {
namespace {

// XML allows no control characters but tab, line feed and carriage return: QuickBooks'
// parser refuses a request holding one.
bool holdsControlCharacter(std::string_view text) {
    return std::any_of(text.begin(), text.end(), [](char ch) {
        auto c = static_cast<unsigned char>(ch);
        return (c < 0x20 && c != '\t' && c != '\n' && c != '\r') || c == 0x7f;
    });
}

EntryRefusal refusal(EntryRefusal::Kind kind, long code, int line = -1, std::string value = {}) {
    EntryRefusal r;
    r.kind = kind;
    r.statusCode = code;
    r.line = line;
    r.value = std::move(value);
    return r;
}

// `names` null: QuickBooks' customers and vendors are not known.
std::optional<EntryRefusal> judge(const StoreTransaction& entry, std::string_view requestText,
                                  const CompanyChart& chart, const NameList* names) {
    using Kind = EntryRefusal::Kind;
    auto unreadable = [](std::string why) {
        return refusal(Kind::Unreadable, hresult::kParseError, -1, std::move(why));
    };
    if (holdsControlCharacter(windows1252ToUtf8(std::string(requestText)))) return unreadable("a control character");

    if (!entry.txnDate.empty() && !isQbxmlDate(trimmedView(entry.txnDate, kWhitespace)))
        return refusal(Kind::Date, 3020, -1, entry.txnDate);
    if (utf8CharacterCount(entry.refNumber) > 11) return refusal(Kind::RefNumber, 3070, -1, entry.refNumber);

    std::int64_t debits = 0, credits = 0;
    int index = 0;
    bool creditSeen = false;
    for (const EntryLine& l : entry.lines) {
        // qbXML lists every debit line before the first credit line.
        if (l.debit && creditSeen) return unreadable("a debit line after a credit line");
        creditSeen = creditSeen || !l.debit;
        const int line = index++;

        const CompanyChart::Account* account = chart.resolve(l.account);
        if (!account) return refusal(Kind::Account, 3140, line, std::string(trimmedView(l.account, kWhitespace)));
        std::int64_t cents = 0;
        if (!l.amountText.empty()) {
            auto a = qbxmlAmountCents(l.amountText);
            if (!a) return refusal(Kind::Amount, 3020, line, l.amountText);
            cents = *a;
        }
        const NameList::Name* entity = nullptr;
        if (!l.entity.empty() && !names) {
            (l.debit ? debits : credits) += cents;
            continue;
        }
        if (!l.entity.empty()) {
            entity = names->find(l.entity);
            if (!entity) {
                EntryRefusal r = refusal(Kind::Entity, 3140, line, std::string(trimmedView(l.entity, kWhitespace)));
                r.account = *account;
                return r;
            }
        }
        std::optional<NameKind> needed;
        if (account->type == "AccountsReceivable")
            needed = NameKind::Customer;
        else if (account->type == "AccountsPayable" || sameQuickBooksName(account->name, "Sales Tax Payable"))
            needed = NameKind::Vendor;
        if (needed && !(entity && entity->kind == *needed)) {
            EntryRefusal r = refusal(Kind::NameRequired, 3180, line, entity ? entity->fullName : std::string());
            r.account = *account;
            r.needed = *needed;
            if (entity) r.given = entity->kind;
            return r;
        }
        (l.debit ? debits : credits) += cents;
    }
    if (index == 0) return refusal(Kind::Empty, 3180);
    if (debits != credits) {
        EntryRefusal r = refusal(Kind::Balance, 3180);
        r.debits = debits;
        r.credits = credits;
        return r;
    }
    return std::nullopt;
}

}  // namespace

std::optional<EntryRefusal> judgeJournalEntry(const StoreTransaction& entry, std::string_view requestText,
                                              const CompanyChart& chart, const NameList& names) {
    return judge(entry, requestText, chart, &names);
}

std::optional<EntryRefusal> judgeJournalEntry(const PlannedEntry& plan, const CompanyChart& chart,
                                              const NameList& names) {
    return judge(plan.entry, plan.request, chart, &names);
}

std::optional<EntryRefusal> judgeWithoutNames(const PlannedEntry& plan, const CompanyChart& chart) {
    return judge(plan.entry, plan.request, chart, nullptr);
}

}  // namespace ztl
