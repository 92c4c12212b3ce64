#include "engine/posting/chart_of_accounts.h"

#include "platform/trim.h"
#include "platform/vb_error.h"
#include "qbxml/answer_document.h"
#include "qbxml/names.h"

namespace ztl {

using qbxml::childText;

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

}  // namespace ztl
