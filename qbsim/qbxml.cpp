#include "qbsim/qbxml.h"

#include "qbsim/answers.h"

namespace ztl::qbsim {

std::string answerRequest(Company& company, std::string_view request) {
    MessageSet set = readRequest(request);
    XmlOut x;
    x.raw("<?xml version=\"1.0\" ?>\n");
    x.open("QBXML");
    x.open("QBXMLMsgsRs");
    for (const auto& r : set.requests) {
        Status st;
        if (r.kind == "AccountQuery")
            answerAccountQuery(company, r, x, st);
        else if (r.kind == "JournalEntryQuery")
            answerJournalEntryQuery(company, r, x, st);
        else if (r.kind == "TxnDel")
            answerTxnDel(company, r, x, st);
        else if (r.kind == "PreferencesQuery")
            answerPreferencesQuery(company, r, x, st);
        else if (r.kind == "CustomerQuery" || r.kind == "VendorQuery")
            answerNameQuery(company, r, x, st);
        else
            answerJournalEntryAdd(company, r, x, st);
        if (st.severity == "Error" && set.stopOnError) break;
    }
    x.close("QBXMLMsgsRs");
    x.close("QBXML");
    return std::move(x.str());
}

}  // namespace ztl::qbsim