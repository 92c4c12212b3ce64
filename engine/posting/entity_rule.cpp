#include "engine/posting/entity_rule.h"

#include "platform/windows1252.h"
#include "qbxml/answer_document.h"

namespace ztl {

std::vector<std::string> chartTexts(const pugi::xml_document& answer) {
    std::vector<std::string> accounts;
    for (const auto& rs : qbxml::elementsByTagName(answer, "AccountQueryRs")) {
        for (pugi::xml_node ret = rs.first_child(); ret; ret = ret.next_sibling()) {
            if (std::string_view(ret.name()) != "AccountRet") continue;
            std::string number, name, type;
            for (pugi::xml_node child = ret.first_child(); child; child = child.next_sibling()) {
                std::string_view n = child.name();
                if (n == "AccountNumber")
                    number = utf8ToWindows1252(qbxml::textOf(child));
                else if (n == "Name")
                    name = utf8ToWindows1252(qbxml::textOf(child));
                else if (n == "AccountType")
                    type = utf8ToWindows1252(qbxml::textOf(child));
            }
            accounts.push_back(number + "," + name + "," + type);
        }
    }
    return accounts;
}

std::string importEntityFor(const AccountList& chart, const std::string& accountCode,
                            const EntityNames& names) {
    const AccountList::NumberMatch* m = chart.find(accountCode);
    if (!m) return {};
    if (m->salesTaxPayable) return names.salesTax;
    if (m->lastType == "AccountsReceivable") return names.receivables;
    if (m->lastType == "AccountsPayable") return names.payables;
    return {};
}

}  // namespace ztl
