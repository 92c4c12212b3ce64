#include "engine/undo_requests.h"

#include "engine/posted_entry_query.h"
#include "qbxml/answer_document.h"
#include "platform/trim.h"
#include "platform/windows1252.h"
#include "platform/xml_escape.h"

namespace ztl {
namespace {

void line(std::string& out, int blanks, std::string_view text) {
    out.append(static_cast<size_t>(blanks), ' ');
    out.append(text);
    out.append("\r\n");
}

std::string message(const char* version, const std::string& body) {
    std::string r;
    line(r, 0, "<?xml version =\"1.0\" ?>");
    line(r, 0, std::string("<!DOCTYPE QBXML PUBLIC '-//INTUIT//DTD QBXML QBD ") + version + "//EN'>");
    line(r, 0, "<QBXML>");
    line(r, 4, "<QBXMLMsgsRq onError=\"stopOnError\">");
    r += body;
    line(r, 4, "</QBXMLMsgsRq>");
    line(r, 0, "</QBXML>");
    return r;
}

pugi::xml_node firstResult(pugi::xml_document& doc, const std::string& response, const char* name) {
    std::string reason;
    if (!qbxml::load(doc, response, reason))
        throw PostedEntryQueryError("QuickBooks' answer is not well-formed XML: " + reason);
    auto results = qbxml::elementsByTagName(doc, name);
    if (results.empty()) throw PostedEntryQueryError(std::string("QuickBooks' answer holds no ") + name);
    return results[0];
}

}  // namespace

std::string journalEntryByTxnIdRequest(const std::string& txnId) {
    std::string b;
    line(b, 8, "<JournalEntryQueryRq requestID=\"1\">");
    line(b, 12, "<TxnID>" + xmlEscaped(txnId) + "</TxnID>");
    line(b, 12, "<IncludeLineItems>true</IncludeLineItems>");
    line(b, 8, "</JournalEntryQueryRq>");
    return message("1.0", b);
}

std::string journalEntryDeleteRequest(const std::string& txnId) {
    std::string b;
    line(b, 8, "<TxnDelRq requestID=\"1\">");
    line(b, 12, "<TxnDelType>JournalEntry</TxnDelType>");
    line(b, 12, "<TxnID>" + xmlEscaped(txnId) + "</TxnID>");
    line(b, 8, "</TxnDelRq>");
    return message("1.1", b);
}

std::string preferencesQueryRequest() {
    std::string b;
    line(b, 8, "<PreferencesQueryRq requestID=\"1\">");
    line(b, 8, "</PreferencesQueryRq>");
    return message("1.1", b);
}

std::string closingDateOf(const std::string& response) {
    pugi::xml_document doc;
    pugi::xml_node rs = firstResult(doc, response, "PreferencesQueryRs");
    std::string code = rs.attribute("statusCode").value();
    if (code != "0")
        throw PostedEntryQueryError("QuickBooks refused to tell its preferences: status " + code + " (" +
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
