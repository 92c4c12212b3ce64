#include "qbxml/undo_answers.h"

#include "platform/trim.h"
#include "platform/windows1252.h"
#include "qbxml/answer_document.h"
#include "qbxml/answer_error.h"

namespace ztl {
namespace {

pugi::xml_node firstResult(pugi::xml_document& doc, const std::string& response, const char* name) {
    std::string reason;
    if (!qbxml::load(doc, response, reason))
        throw qbxml::AnswerError("QuickBooks' answer is not well-formed XML: " + reason);
    auto results = qbxml::elementsByTagName(doc, name);
    if (results.empty()) throw qbxml::AnswerError(std::string("QuickBooks' answer holds no ") + name);
    return results[0];
}

}  // namespace

std::string closingDateOf(const std::string& response) {
    pugi::xml_document doc;
    pugi::xml_node rs = firstResult(doc, response, "PreferencesQueryRs");
    std::string code = rs.attribute("statusCode").value();
    if (code != "0")
        throw qbxml::AnswerError("QuickBooks refused to tell its preferences: status " + code + " (" +
                                 rs.attribute("statusSeverity").value() +
                                 "): " + utf8ToWindows1252(rs.attribute("statusMessage").value()));
    pugi::xml_node date = rs.child("PreferencesRet").child("AccountingPreferences").child("ClosingDate");
    return date ? std::string(trimmedView(qbxml::textOf(date), kWhitespace)) : std::string();
}

DeleteAnswer readDeleteAnswer(const std::string& response) {
    pugi::xml_document doc;
    pugi::xml_node rs = firstResult(doc, response, "TxnDelRs");
    return {utf8ToWindows1252(rs.attribute("statusCode").value()),
            utf8ToWindows1252(rs.attribute("statusSeverity").value()),
            utf8ToWindows1252(rs.attribute("statusMessage").value())};
}

}  // namespace ztl
