#include "qbxml/requests.h"

#include <cstdio>

#include "platform/decimal.h"
#include "platform/trim.h"
#include "platform/vb_error.h"
#include "platform/xml_escape.h"

namespace ztl {
namespace {

void line(std::string& out, int blanks, std::string_view text) {
    out.append(static_cast<size_t>(blanks), ' ');
    out.append(text);
    out.append("\r\n");
}

void openingLines(std::string& out) {
    line(out, 0, "<?xml version =\"1.0\" ?>");
    line(out, 0, "<!DOCTYPE QBXML PUBLIC '-//INTUIT//DTD QBXML QBD 1.0//EN'>");
    line(out, 0, "<QBXML>");
    line(out, 4, "<QBXMLMsgsRq onError=\"stopOnError\">");
}

// Every value inserted into a request goes through here: a customer called "Smith & Sons"
// or an account code holding "<" must not break the request, nor change its meaning.
std::string escaped(std::string_view value) {
    return xmlEscaped(value);
}

}  // namespace

std::string qbxmlDate(const CalendarDate& d) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02d", d.year, d.month, d.day);
    return buf;
}

std::string accountQueryRequest() {
    std::string r;
    openingLines(r);
    line(r, 8, "<AccountQueryRq requestID=\"1\" >");
    line(r, 8, "</AccountQueryRq>");
    line(r, 4, "</QBXMLMsgsRq>");
    line(r, 0, "</QBXML>");
    return r;
}

std::string journalEntryQueryRequest(const CalendarDate& from, const CalendarDate& to, int maxReturned) {
    std::string r;
    openingLines(r);
    line(r, 8, "<JournalEntryQueryRq requestID=\"1\">");
    line(r, 12, "<MaxReturned>" + std::to_string(maxReturned) + "</MaxReturned>");
    line(r, 12, "<TxnDateRangeFilter>");
    line(r, 16, "<FromTxnDate>" + qbxmlDate(from) + "</FromTxnDate>");
    line(r, 16, "<ToTxnDate>" + qbxmlDate(to) + "</ToTxnDate>");
    line(r, 12, "</TxnDateRangeFilter>");
    line(r, 12, "<IncludeLineItems>true</IncludeLineItems>");
    line(r, 8, "</JournalEntryQueryRq>");
    line(r, 4, "</QBXMLMsgsRq>");
    line(r, 0, "</QBXML>");
    return r;
}

std::string journalEntryRequest(const std::string& referenceNumber, const CalendarDate& date,
                                const SortedLineTable& rows,
                                const std::function<std::string(const std::string&)>& entityOf) {
    std::string r;
    openingLines(r);
    line(r, 8, "<JournalEntryAddRq requestID=\"1\" > ");
    line(r, 12, "<JournalEntryAdd>");
    line(r, 16, "<TxnDate>" + qbxmlDate(date) + "</TxnDate>");
    line(r, 16, "<RefNumber>" + escaped(referenceNumber) + "</RefNumber>");
    line(r, 16, "<Memo> Korvane Import </Memo>");
    for (size_t i = 0; i < rows.size(); ++i) {
        const std::string& code = rows[i][1];
        Decimal amount = Decimal::parseLeading(rows[i][2]);
        if (i == 0 && amount.isZero())
            throw VbError(kZeroAmountError, "Zentrel.clsZTL.StartImport",
                          "Zero amount in first journal entry line... Import aborted !");
        const char* kind = amount.sign() > 0 ? "JournalDebitLine" : "JournalCreditLine";
        line(r, 20, std::string("<") + kind + ">");
        line(r, 24, "<AccountRef>");
        line(r, 28, "<FullName> " + escaped(trimmed(code)) + "</FullName>");
        line(r, 24, "</AccountRef>");
        line(r, 24, "<Amount>" + amount.fixed() + "</Amount>");
        line(r, 24, "<Memo> Korvane Import </Memo>");
        std::string entity = entityOf ? entityOf(code) : std::string();
        if (!entity.empty()) {
            line(r, 24, "<EntityRef>");
            line(r, 28, "<FullName>" + escaped(entity) + "</FullName>");
            line(r, 24, "</EntityRef>");
        }
        line(r, 20, std::string("</") + kind + ">");
    }
    line(r, 12, "</JournalEntryAdd>");
    line(r, 8, "</JournalEntryAddRq>");
    line(r, 4, "</QBXMLMsgsRq>");
    line(r, 0, "</QBXML>");
    return r;
}

}  // namespace ztl
