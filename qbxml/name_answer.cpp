#include "qbxml/name_answer.h"

#include "platform/windows1252.h"
#include "qbxml/answer_document.h"
#include "qbxml/answer_error.h"
#include "qbxml/names.h"

namespace ztl {

const NameList::Name* NameList::find(std::string_view fullName) const {
    for (const auto& n : names_)
        if (sameQuickBooksName(n.fullName, fullName)) return &n;
    return nullptr;
}

NameList readEntityQuery(const std::string& answer) {
    pugi::xml_document doc;
    std::string reason;
    if (!qbxml::load(doc, answer, reason))
        throw qbxml::AnswerError(
            "QuickBooks' answer about the customers and vendors is not well-formed XML: " + reason);
    NameList names;
    bool answered = false;
    struct Query {
        const char* rs;
        const char* ret;
        NameKind kind;
    };
    for (const Query& q : {Query{"CustomerQueryRs", "CustomerRet", NameKind::Customer},
                           Query{"VendorQueryRs", "VendorRet", NameKind::Vendor}}) {
        for (const auto& rs : qbxml::elementsByTagName(doc, q.rs)) {
            answered = true;
            std::string code = rs.attribute("statusCode").value();
            if (code != "0" && code != "1" && code != "500")
                throw qbxml::AnswerError(
                    "QuickBooks refused the question about its customers and vendors: status " + code + " (" +
                    rs.attribute("statusSeverity").value() +
                    "): " + utf8ToWindows1252(rs.attribute("statusMessage").value()));
            for (pugi::xml_node ret = rs.child(q.ret); ret; ret = ret.next_sibling(q.ret)) {
                pugi::xml_node full = ret.child("FullName") ? ret.child("FullName") : ret.child("Name");
                names.add(qbxml::textOf(full), q.kind);
            }
        }
    }
    if (!answered) throw qbxml::AnswerError("QuickBooks' answer holds no customer or vendor query result.");
    return names;
}

}  // namespace ztl
