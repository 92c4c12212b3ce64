#include "qbwc/late_answer.h"

#include <pugixml.hpp>

namespace ztl::qbwc {

namespace {

pugi::xml_node firstNamed(const pugi::xml_node& from, const char* name) {
    return from.find_node([name](const pugi::xml_node& n) { return std::string_view(n.name()) == name; });
}

pugi::xml_node firstResponse(const pugi::xml_node& from) {
    return from.find_node([](const pugi::xml_node& n) {
        std::string_view name = n.name();
        return name.size() > 2 && name.ends_with("Rs") && n.attribute("statusCode");
    });
}

}  // namespace

std::string describeAnswer(const std::string& response, const std::string& hresult,
                           const std::string& message) {
    if (response.empty()) return "no answer but HRESULT " + hresult + " " + message;
    pugi::xml_document doc;
    if (!doc.load_buffer(response.data(), response.size())) return "an answer that is not XML";
    std::string text;
    if (pugi::xml_node ret = firstNamed(doc, "JournalEntryRet")) {
        text = std::string("TxnID ") + ret.child_value("TxnID");
        if (ret.child("RefNumber")) text += std::string(", RefNumber ") + ret.child_value("RefNumber");
        if (ret.child("TxnDate")) text += std::string(", TxnDate ") + ret.child_value("TxnDate");
        return text;
    }
    if (pugi::xml_node rs = firstResponse(doc))
        return std::string(rs.name()) + " statusCode " + rs.attribute("statusCode").value() + ": " +
               rs.attribute("statusMessage").value() + " (no TxnID)";
    return "an answer without a TxnID";
}

std::string describeRequest(const std::string& request) {
    pugi::xml_document doc;
    if (!doc.load_buffer(request.data(), request.size())) return "a request that is not XML";
    pugi::xml_node rq = doc.find_node([](const pugi::xml_node& n) {
        std::string_view name = n.name();
        return name.size() > 2 && name.ends_with("Rq") && name != "QBXMLMsgsRq";
    });
    if (!rq) return "a request";
    std::string text = rq.name();
    if (pugi::xml_node ref = firstNamed(rq, "RefNumber"))
        text += std::string(" RefNumber ") + ref.child_value();
    if (pugi::xml_node date = firstNamed(rq, "TxnDate"))
        text += std::string(", TxnDate ") + date.child_value();
    return text;
}

}  // namespace ztl::qbwc
