#include "qbwc/host_answer.h"

#include <algorithm>
#include <vector>

#include "qbxml/answer_document.h"

namespace ztl::qbwc {

std::string unsupportedBy(const std::string& hostAnswer, const std::string& country) {
    std::vector<std::string> versions;
    std::string hostCountry;
    pugi::xml_document doc;
    std::string notRead;
    if (!hostAnswer.empty() && qbxml::load(doc, hostAnswer, notRead)) {
        auto hosts = qbxml::elementsByTagName(doc, "HostRet");
        if (!hosts.empty()) {
            for (const pugi::xml_node& v : qbxml::elementsByTagName(hosts.front(), "SupportedQBXMLVersion"))
                versions.push_back(qbxml::textOf(v));
            hostCountry = qbxml::childText(hosts.front(), "Country");
        }
    }
    bool versionOk = versions.empty() || std::find(versions.begin(), versions.end(), "1.0") != versions.end();
    std::string c = !hostCountry.empty() ? hostCountry : country;
    bool countryOk = c.empty() || c == "US";
    if (versionOk && countryOk) return {};
    std::string has = versions.empty() ? "" : "qbXML " + versions.front() + " to " + versions.back();
    if (!c.empty()) has += (has.empty() ? "" : " ") + std::string("for the country ") + c;
    return "The version of QBXML that was requested is not supported or is unknown. This QuickBooks takes " +
           has + "; Zentrel's requests are qbXML 1.0 for a US QuickBooks.";
}

}  // namespace ztl::qbwc
