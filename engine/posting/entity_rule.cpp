#include "engine/posting/entity_rule.h"

#include <vector>

#include "platform/windows1252.h"

namespace ztl {

EntityReading entityReading(const CompanyChart::Account& account) {
    const std::string text = utf8ToWindows1252(account.number) + "," + utf8ToWindows1252(account.name) + "," +
                             utf8ToWindows1252(account.type);
    std::vector<std::string> pieces(1);
    for (char c : text) {
        if (c == ',')
            pieces.emplace_back();
        else
            pieces.back() += c;
    }
    return {pieces[0], pieces[1] == "Sales Tax Payable", pieces[2]};
}

std::string importEntityFor(const CompanyChart& chart, const std::string& accountCode, const EntityNames& names) {
    const CompanyChart::NumberMatch* m = chart.byNumber(accountCode);
    if (!m) return {};
    if (m->salesTaxPayable) return names.salesTax;
    if (m->lastType == "AccountsReceivable") return names.receivables;
    if (m->lastType == "AccountsPayable") return names.payables;
    return {};
}

}  // namespace ztl
