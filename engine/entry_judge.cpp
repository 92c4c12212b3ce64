#include "engine/entry_judge.h"

#include <algorithm>

#include <pugixml.hpp>

#include "platform/calendar.h"
#include "platform/request_processor.h"
#include "platform/trim.h"
#include "platform/windows1252.h"
#include "qbxml/answer_document.h"
#include "qbxml/values.h"

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

std::string leaf(pugi::xml_node parent, const char* name) {
    pugi::xml_node c = parent.child(name);
    return c ? qbxml::textOf(c) : std::string();
}

EntryRefusal refusal(EntryRefusal::Kind kind, long code, int line = -1, std::string value = {}) {
    EntryRefusal r;
    r.kind = kind;
    r.statusCode = code;
    r.line = line;
    r.value = std::move(value);
    return r;
}

}  // namespace

std::optional<EntryRefusal> judgeJournalEntry(const std::string& requestText, const ChartOfAccounts& chart,
                                              const NameList& names) {
    using Kind = EntryRefusal::Kind;
    const std::string utf8 = windows1252ToUtf8(requestText);
    auto unreadable = [](std::string why) {
        return refusal(Kind::Unreadable, hresult::kParseError, -1, std::move(why));
    };
    if (holdsControlCharacter(utf8)) return unreadable("a control character");
    pugi::xml_document doc;
    if (!doc.load_buffer(utf8.data(), utf8.size(), pugi::parse_default, pugi::encoding_utf8))
        return unreadable("not well-formed XML");
    pugi::xml_node add =
        doc.child("QBXML").child("QBXMLMsgsRq").child("JournalEntryAddRq").child("JournalEntryAdd");
    if (!add) return unreadable("no journal entry");

    if (pugi::xml_node date = add.child("TxnDate")) {
        std::string text = qbxml::textOf(date);
        if (!isQbxmlDate(trimmedView(text, kWhitespace))) return refusal(Kind::Date, 3020, -1, text);
    }
    if (pugi::xml_node ref = add.child("RefNumber")) {
        std::string text = qbxml::textOf(ref);
        if (utf8CharacterCount(text) > 11) return refusal(Kind::RefNumber, 3070, -1, text);
    }

    std::int64_t debits = 0, credits = 0;
    int index = 0;
    bool creditSeen = false;
    for (pugi::xml_node l = add.first_child(); l; l = l.next_sibling()) {
        std::string_view element = l.name();
        const bool debit = element == "JournalDebitLine";
        if (!debit && element != "JournalCreditLine") continue;
        // qbXML lists every debit line before the first credit line.
        if (debit && creditSeen) return unreadable("a debit line after a credit line");
        creditSeen = creditSeen || !debit;
        const int line = index++;

        std::string reference = leaf(l.child("AccountRef"), "FullName");
        const ChartOfAccounts::Account* account = chart.resolve(reference);
        if (!account)
            return refusal(Kind::Account, 3140, line, std::string(trimmedView(reference, kWhitespace)));
        std::int64_t cents = 0;
        if (pugi::xml_node amount = l.child("Amount")) {
            std::string text = qbxml::textOf(amount);
            auto a = qbxmlAmountCents(text);
            if (!a) return refusal(Kind::Amount, 3020, line, text);
            cents = *a;
        }
        const NameList::Name* entity = nullptr;
        if (pugi::xml_node ref = l.child("EntityRef")) {
            std::string name = leaf(ref, "FullName");
            entity = names.find(name);
            if (!entity) {
                EntryRefusal r =
                    refusal(Kind::Entity, 3140, line, std::string(trimmedView(name, kWhitespace)));
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
            EntryRefusal r =
                refusal(Kind::NameRequired, 3180, line, entity ? entity->fullName : std::string());
            r.account = *account;
            r.needed = *needed;
            if (entity) r.given = entity->kind;
            return r;
        }
        (debit ? debits : credits) += cents;
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

}  // namespace ztl
