#include "engine/entity_query.h"

#include <algorithm>
#include <tuple>

#include "engine/posted_entries.h"
#include "qbxml/answer_document.h"
#include "platform/trim.h"
#include "platform/windows1252.h"
#include "platform/xml_escape.h"

namespace ztl {

const NameList::Name* NameList::find(std::string_view fullName) const {
    for (const auto& n : names_)
        if (sameQuickBooksName(n.fullName, fullName)) return &n;
    return nullptr;
}

std::string entityQueryRequest(const std::vector<std::string>& names) {
    std::vector<std::string> asked;
    for (const auto& n : names) {
        if (trimmedView(n, kWhitespace).empty()) continue;
        if (std::none_of(asked.begin(), asked.end(),
                         [&](const std::string& a) { return sameQuickBooksName(a, n); }))
            asked.push_back(n);
    }
    if (asked.empty()) return {};
    std::string r;
    auto line = [&r](int blanks, const std::string& text) {
        r.append(static_cast<size_t>(blanks), ' ');
        r += text;
        r += "\r\n";
    };
    line(0, "<?xml version =\"1.0\" ?>");
    line(0, "<!DOCTYPE QBXML PUBLIC '-//INTUIT//DTD QBXML QBD 1.0//EN'>");
    line(0, "<QBXML>");
    // A name that is missing is a warning, not an error; every query is answered anyway.
    line(4, "<QBXMLMsgsRq onError=\"continueOnError\">");
    int id = 0;
    for (const char* kind : {"CustomerQueryRq", "VendorQueryRq"}) {
        for (const auto& n : asked) {
            line(8, std::string("<") + kind + " requestID=\"" + std::to_string(++id) + "\">");
            line(12, "<FullName>" + xmlEscaped(n) + "</FullName>");
            line(8, std::string("</") + kind + ">");
        }
    }
    line(4, "</QBXMLMsgsRq>");
    line(0, "</QBXML>");
    return r;
}

NameList readEntityQuery(const std::string& answer) {
    pugi::xml_document doc;
    std::string reason;
    if (!qbxml::load(doc, answer, reason))
        throw EntityQueryError("QuickBooks' answer about the customers and vendors is not well-formed XML: " +
                               reason);
    NameList names;
    bool answered = false;
    struct Query {
        const char* rs;
        const char* ret;
        NameKind kind;
    };
    for (const Query& q : {Query{"CustomerQueryRs", "CustomerRet", NameKind::Customer},
                           Query{"VendorQueryRs", "VendorRet", NameKind::Vendor}}) {
        const char *rsName = q.rs, *retName = q.ret;
        const NameKind kind = q.kind;
        for (const auto& rs : qbxml::elementsByTagName(doc, rsName)) {
            answered = true;
            std::string code = rs.attribute("statusCode").value();
            if (code != "0" && code != "1" && code != "500")
                throw EntityQueryError(
                    "QuickBooks refused the question about its customers and vendors: status " + code + " (" +
                    rs.attribute("statusSeverity").value() +
                    "): " + utf8ToWindows1252(rs.attribute("statusMessage").value()));
            for (pugi::xml_node ret = rs.child(retName); ret; ret = ret.next_sibling(retName)) {
                pugi::xml_node full = ret.child("FullName") ? ret.child("FullName") : ret.child("Name");
                names.add(qbxml::textOf(full), kind);
            }
        }
    }
    if (!answered) throw EntityQueryError("QuickBooks' answer holds no customer or vendor query result.");
    return names;
}

}  // namespace ztl
