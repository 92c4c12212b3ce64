#include "qbsim/answers.h"

namespace ztl::qbsim {

void answerPreferencesQuery(Company& company, const Request& r, XmlOut& x, Status& st) {
    openRs(x, "PreferencesQuery", r, st);
    x.open("PreferencesRet");
    x.open("AccountingPreferences");
    x.leaf("IsUsingAccountNumbers", "true");
    x.leaf("IsRequiringAccounts", "true");
    x.leaf("IsUsingClassTracking", "false");
    x.leaf("IsUsingAuditTrail", "true");
    x.leaf("IsAssigningJournalEntryNumbers", "false");
    if (auto closing = company.closingDate()) x.leaf("ClosingDate", *closing);
    x.close("AccountingPreferences");
    x.close("PreferencesRet");
    x.close("PreferencesQueryRs");
}

}  // namespace ztl::qbsim
