#include "qbsim/answers.h"

#include "qbxml/values.h"

namespace ztl::qbsim {

// Every active account, as QuickBooks lists its chart.
void answerAccountQuery(Company& company, const Request& r, XmlOut& x, Status& st) {
    auto accounts = company.accounts(true);
    if (accounts.empty()) return refusalRs(x, "AccountQuery", r, st = nothingFound());
    openRs(x, "AccountQuery", r, st);
    x.str().reserve(x.str().size() + accounts.size() * 520);
    for (const auto& a : accounts) {
        x.open("AccountRet");
        x.leaf("ListID", a.listId);
        x.leaf("TimeCreated", qbTime(a.timeCreated));
        x.leaf("TimeModified", qbTime(a.timeModified));
        x.leaf("EditSequence", std::to_string(a.editSequence));
        x.leaf("Name", a.name);
        x.leaf("FullName", a.name);
        x.leaf("IsActive", a.active ? "true" : "false");
        x.leaf("Sublevel", "0");
        x.leaf("AccountType", a.type);
        if (!a.number.empty()) x.leaf("AccountNumber", a.number);
        if (!a.desc.empty()) x.leaf("Desc", a.desc);
        x.leaf("Balance", centsText(a.balanceCents));
        x.leaf("TotalBalance", centsText(a.balanceCents));
        x.close("AccountRet");
    }
    x.close("AccountQueryRs");
}

}  // namespace ztl::qbsim
