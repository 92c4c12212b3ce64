#include "qbsim/answer_writer.h"

#include <algorithm>
#include <cstdio>

#include "platform/trim.h"
#include "platform/xml_escape.h"
#include "qbxml/names.h"
#include "qbxml/values.h"

namespace ztl::qbsim {
namespace {

std::string escape(std::string_view s) {
    return xmlEscaped(s, XmlEscape::Attribute);
}

void journalLineOut(XmlOut& x, const JournalLine& l) {
    const char* name = l.debit ? "JournalDebitLine" : "JournalCreditLine";
    x.open(name);
    x.leaf("TxnLineID", "0");
    refOut(x, "AccountRef", l.accountListId, l.accountName);
    x.leaf("Amount", centsText(l.amountCents));
    if (l.memo) x.leaf("Memo", *l.memo);
    if (l.entityId) refOut(x, "EntityRef", l.entityListId, l.entityName);
    x.close(name);
}

}  // namespace

void XmlOut::open(std::string_view name) {
    openWith(name, {});
}

void XmlOut::close(std::string_view name) {
    --depth_;
    indent();
    out_.append("</").append(name).append(">\n");
}

void XmlOut::leaf(std::string_view name, std::string_view value) {
    indent();
    out_.append("<").append(name).append(">").append(escape(value)).append("</").append(name).append(">\n");
}

void XmlOut::openWith(std::string_view name, std::string_view attributes) {
    indent();
    out_.append("<").append(name).append(attributes).append(">\n");
    ++depth_;
}

void openRs(XmlOut& x, const std::string& kind, const Request& r, const Status& s) {
    std::string attributes;
    if (r.requestId) attributes += " requestID=\"" + escape(*r.requestId) + "\"";
    attributes += " statusCode=\"" + std::to_string(s.code) + "\" statusSeverity=\"" + s.severity +
                  "\" statusMessage=\"" + escape(s.message) + "\"";
    x.openWith(kind + "Rs", attributes);
}

void refusalRs(XmlOut& x, const std::string& kind, const Request& r, const Status& s) {
    openRs(x, kind, r, s);
    x.close(kind + "Rs");
}

void refOut(XmlOut& x, const char* name, const std::string& listId, const std::string& fullName) {
    x.open(name);
    x.leaf("ListID", listId);
    x.leaf("FullName", fullName);
    x.close(name);
}

void journalEntryOut(XmlOut& x, const JournalEntry& e, bool withLines) {
    x.open("JournalEntryRet");
    x.leaf("TxnID", e.txnId);
    x.leaf("TimeCreated", qbTime(e.timeCreated));
    x.leaf("TimeModified", qbTime(e.timeModified));
    x.leaf("EditSequence", std::to_string(e.editSequence));
    x.leaf("TxnNumber", std::to_string(e.txnNumber));
    x.leaf("TxnDate", e.txnDate);
    if (e.refNumber) x.leaf("RefNumber", *e.refNumber);
    if (withLines)
        for (const auto& l : e.lines) journalLineOut(x, l);
    x.close("JournalEntryRet");
}

Status conversionError(const std::string& value, const char* field) {
    return {3020, "Error",
            "There was an error when converting the \"" + value + "\" in the field \"" + field + "\"."};
}

Status nothingFound() {
    return {1, "Info", "A query request did not find a matching object in QuickBooks"};
}

MaxReturned readMaxReturned(const std::optional<std::string>& text) {
    if (!text) return {};
    std::string_view m = trimmedView(*text, kWhitespace);
    bool digits = !m.empty() && m.size() < 10 &&
                  std::all_of(m.begin(), m.end(), [](char c) { return c >= '0' && c <= '9'; });
    if (!digits || std::stol(std::string(m)) < 1)
        return {std::nullopt, conversionError(*text, "MaxReturned")};
    return {std::stol(std::string(m)), std::nullopt};
}

bool passes(const TextFilter& filter, std::string_view text) {
    const std::string value = foldedName(text);
    if (filter.match) {
        const std::string wanted = foldedName(*filter.match);
        if (*filter.criterion == "StartsWith" && !value.starts_with(wanted)) return false;
        if (*filter.criterion == "EndsWith" && !value.ends_with(wanted)) return false;
        if (*filter.criterion == "Contains" && value.find(wanted) == std::string::npos) return false;
    }
    if (filter.from && value < foldedName(*filter.from)) return false;
    if (filter.to && value > foldedName(*filter.to)) return false;
    return true;
}

std::string qbTime(std::time_t t) {
    std::tm tm{};
    localtime_r(&t, &tm);
    char buf[40];
    std::strftime(buf, sizeof buf, "%Y-%m-%dT%H:%M:%S", &tm);
    long off = tm.tm_gmtoff;
    char sign = off < 0 ? '-' : '+';
    if (off < 0) off = -off;
    int minutes = static_cast<int>((off / 60) % (24 * 60));
    char zone[16];
    std::snprintf(zone, sizeof zone, "%c%02d:%02d", sign, minutes / 60, minutes % 60);
    return std::string(buf) + zone;
}

std::string localDate(std::time_t t) {
    std::tm tm{};
    localtime_r(&t, &tm);
    char buf[16];
    std::strftime(buf, sizeof buf, "%Y-%m-%d", &tm);
    return buf;
}

}  // namespace ztl::qbsim
