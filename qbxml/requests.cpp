#include "qbxml/requests.h"

#include <algorithm>
#include <cstdio>

#include "platform/decimal.h"
#include "platform/trim.h"
#include "platform/vb_error.h"
#include "platform/xml_escape.h"
#include "qbxml/import_memo.h"
#include "qbxml/names.h"
#include "qbxml/request_text.h"

namespace ztl {
namespace {

using qbxml::appendLine;
using qbxml::OnError;
using qbxml::Version;

// Every value inserted into a request goes through here: a customer called "Smith & Sons"
// or an account code holding "<" must not break the request, nor change its meaning.
std::string escaped(std::string_view value) {
    return xmlEscaped(value);
}

const std::string kMemoLine = "<Memo> " + std::string(kImportMemo) + " </Memo>";

}  // namespace

std::string qbxmlDate(const CalendarDate& d) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02d", d.year, d.month, d.day);
    return buf;
}

std::string accountQueryRequest() {
    std::string b;
    appendLine(b, 8, "<AccountQueryRq requestID=\"1\" >");
    appendLine(b, 8, "</AccountQueryRq>");
    return qbxml::requestMessage(Version::V1_0, OnError::Stop, b);
}

std::string journalEntryQueryRequest(const CalendarDate& from, const CalendarDate& to, int maxReturned) {
    std::string b;
    appendLine(b, 8, "<JournalEntryQueryRq requestID=\"1\">");
    appendLine(b, 12, "<MaxReturned>" + std::to_string(maxReturned) + "</MaxReturned>");
    appendLine(b, 12, "<TxnDateRangeFilter>");
    appendLine(b, 16, "<FromTxnDate>" + qbxmlDate(from) + "</FromTxnDate>");
    appendLine(b, 16, "<ToTxnDate>" + qbxmlDate(to) + "</ToTxnDate>");
    appendLine(b, 12, "</TxnDateRangeFilter>");
    appendLine(b, 12, "<IncludeLineItems>true</IncludeLineItems>");
    appendLine(b, 8, "</JournalEntryQueryRq>");
    return qbxml::requestMessage(Version::V1_0, OnError::Stop, b);
}

std::string journalEntryRequest(const std::string& referenceNumber, const CalendarDate& date,
                                const SortedLineTable& rows,
                                const std::function<std::string(const std::string&)>& entityOf) {
    std::vector<PostingLine> lines;
    lines.reserve(rows.size());
    for (const auto& row : rows) lines.push_back({row[1], Decimal::parseLeading(row[2])});
    return journalEntryRequest(referenceNumber, date, lines, entityOf);
}

std::string journalEntryRequest(const std::string& referenceNumber, const CalendarDate& date,
                                const std::vector<PostingLine>& lines,
                                const std::function<std::string(const std::string&)>& entityOf) {
    std::string b;
    appendLine(b, 8, "<JournalEntryAddRq requestID=\"1\" > ");
    appendLine(b, 12, "<JournalEntryAdd>");
    appendLine(b, 16, "<TxnDate>" + qbxmlDate(date) + "</TxnDate>");
    appendLine(b, 16, "<RefNumber>" + escaped(referenceNumber) + "</RefNumber>");
    appendLine(b, 16, kMemoLine);
    for (size_t i = 0; i < lines.size(); ++i) {
        const std::string& code = lines[i].accountCode;
        const Decimal& amount = lines[i].amount;
        if (i == 0 && amount.isZero())
            throw VbError(kZeroAmountError, "Zentrel.clsZTL.StartImport",
                          "Zero amount in first journal entry line... Import aborted !");
        const char* kind = amount.sign() > 0 ? "JournalDebitLine" : "JournalCreditLine";
        appendLine(b, 20, std::string("<") + kind + ">");
        appendLine(b, 24, "<AccountRef>");
        appendLine(b, 28, "<FullName> " + escaped(trimmed(code)) + "</FullName>");
        appendLine(b, 24, "</AccountRef>");
        appendLine(b, 24, "<Amount>" + amount.fixed() + "</Amount>");
        appendLine(b, 24, kMemoLine);
        std::string entity = entityOf ? entityOf(code) : std::string();
        if (!entity.empty()) {
            appendLine(b, 24, "<EntityRef>");
            appendLine(b, 28, "<FullName>" + escaped(entity) + "</FullName>");
            appendLine(b, 24, "</EntityRef>");
        }
        appendLine(b, 20, std::string("</") + kind + ">");
    }
    appendLine(b, 12, "</JournalEntryAdd>");
    appendLine(b, 8, "</JournalEntryAddRq>");
    return qbxml::requestMessage(Version::V1_0, OnError::Stop, b);
}

std::string journalEntryByTxnIdRequest(const std::string& txnId) {
    std::string b;
    appendLine(b, 8, "<JournalEntryQueryRq requestID=\"1\">");
    appendLine(b, 12, "<TxnID>" + escaped(txnId) + "</TxnID>");
    appendLine(b, 12, "<IncludeLineItems>true</IncludeLineItems>");
    appendLine(b, 8, "</JournalEntryQueryRq>");
    return qbxml::requestMessage(Version::V1_0, OnError::Stop, b);
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
    std::string b;
    int id = 0;
    for (const char* kind : {"CustomerQueryRq", "VendorQueryRq"}) {
        for (const auto& n : asked) {
            appendLine(b, 8, std::string("<") + kind + " requestID=\"" + std::to_string(++id) + "\">");
            appendLine(b, 12, "<FullName>" + escaped(n) + "</FullName>");
            appendLine(b, 8, std::string("</") + kind + ">");
        }
    }
    // A name that is missing is a warning, not an error; every query is answered anyway.
    return qbxml::requestMessage(Version::V1_0, OnError::Continue, b);
}

std::string journalEntryDeleteRequest(const std::string& txnId) {
    std::string b;
    appendLine(b, 8, "<TxnDelRq requestID=\"1\">");
    appendLine(b, 12, "<TxnDelType>JournalEntry</TxnDelType>");
    appendLine(b, 12, "<TxnID>" + escaped(txnId) + "</TxnID>");
    appendLine(b, 8, "</TxnDelRq>");
    return qbxml::requestMessage(Version::V1_1, OnError::Stop, b);
}

std::string preferencesQueryRequest() {
    std::string b;
    appendLine(b, 8, "<PreferencesQueryRq requestID=\"1\">");
    appendLine(b, 8, "</PreferencesQueryRq>");
    return qbxml::requestMessage(Version::V1_1, OnError::Stop, b);
}

}  // namespace ztl
