#include "qbxml/journal_entry_answer.h"

#include "qbxml/answer_document.h"
#include "qbxml/answer_error.h"
#include "qbxml/values.h"

namespace ztl {
namespace {

EntryLine readLine(pugi::xml_node node) {
    EntryLine l;
    l.debit = std::string_view(node.name()) == "JournalDebitLine";
    pugi::xml_node account = node.child("AccountRef");
    l.accountListId = qbxml::childText(account, "ListID");
    l.account = qbxml::childText(account, "FullName");
    l.amountText = qbxml::childText(node, "Amount");
    l.cents = entryLineCents(l.amountText);
    l.memo = qbxml::childText(node, "Memo");
    l.entity = qbxml::childText(node.child("EntityRef"), "FullName");
    return l;
}

}  // namespace

std::int64_t entryLineCents(std::string_view amountText) {
    // An amount that cannot be read matches no line of a store transaction.
    auto cents = qbxmlAmountCents(amountText, AmountReading::Answer);
    return !cents ? -1 : *cents < 0 ? -*cents : *cents;
}

void readJournalLines(pugi::xml_node parent, std::vector<EntryLine>& lines) {
    for (pugi::xml_node c = parent.first_child(); c; c = c.next_sibling()) {
        std::string_view n = c.name();
        if (n == "JournalDebitLine" || n == "JournalCreditLine") lines.push_back(readLine(c));
    }
}

JournalEntryQueryAnswer readJournalEntryQuery(const std::string& response) {
    pugi::xml_document doc;
    std::string reason;
    if (!qbxml::load(doc, response, reason))
        throw qbxml::AnswerError(vb::kTypeMismatch, "clsZTL",
                                 "QuickBooks' answer is not well-formed XML: " + reason);
    auto results = qbxml::elementsByTagName(doc, "JournalEntryQueryRs");
    if (results.empty())
        throw qbxml::AnswerError(vb::kObjectNotSet, "clsZTL",
                                 "QuickBooks' answer holds no journal entry query result");
    JournalEntryQueryAnswer answer;
    pugi::xml_node rs = results[0];
    answer.statusCode = rs.attribute("statusCode").value();
    answer.statusSeverity = rs.attribute("statusSeverity").value();
    answer.statusMessage = rs.attribute("statusMessage").value();
    for (pugi::xml_node ret = rs.child("JournalEntryRet"); ret; ret = ret.next_sibling("JournalEntryRet")) {
        PostedEntry e;
        e.txnId = qbxml::childText(ret, "TxnID");
        e.timeCreated = qbxml::childText(ret, "TimeCreated");
        e.timeModified = qbxml::childText(ret, "TimeModified");
        e.editSequence = qbxml::childText(ret, "EditSequence");
        e.txnNumber = qbxml::childText(ret, "TxnNumber");
        e.txnDate = qbxml::childText(ret, "TxnDate");
        e.refNumber = qbxml::childText(ret, "RefNumber");
        readJournalLines(ret, e.lines);
        answer.entries.push_back(std::move(e));
    }
    return answer;
}

}  // namespace ztl
