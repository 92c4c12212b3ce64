// The journal-entry query: the entries QuickBooks holds, in qbXML 1.0's shape and with its
// filters, as an importer asks for them before it posts.
#include <gtest/gtest.h>

#include "qbsim/qbxml.h"
#include "request_text.h"
#include "response.h"

using namespace ztl::qbsim;
using qbsim_test::journalEntryRequest;
using qbsim_test::Row;
using qbsim_test::SampleCompany;

namespace {

std::string query(const std::string& body) {
    return std::string(qbsim_test::kProlog) +
           "<QBXML>\r\n<QBXMLMsgsRq onError=\"stopOnError\">\r\n<JournalEntryQueryRq requestID=\"7\">" + body +
           "</JournalEntryQueryRq>\r\n</QBXMLMsgsRq>\r\n</QBXML>\r\n";
}

// Three entries: two on 2026-12-05 (one with a customer), one on 2026-12-06.
struct Posted : SampleCompany {
    Posted() {
        for (const auto& rq : {journalEntryRequest("A-100", "2026-12-05", {{"1000", "10.00"}, {"4000", "-10.00"}}),
                               journalEntryRequest("a-101", "2026-12-05",
                                                   {{"1200", "20.00", "Walk-in Customer"}, {"4000", "-20.00"}}),
                               journalEntryRequest("B-200", "2026-12-06", {{"1000", "30.00"}, {"4100", "-30.00"}})})
            EXPECT_EQ(Answer(answerRequest(company, rq)).code, "0");
    }
    std::vector<std::string> refs(const std::string& body) {
        Answer a(answerRequest(company, query(body)));
        std::vector<std::string> out;
        for (auto ret : a.rs.children("JournalEntryRet")) out.push_back(ret.child_value("RefNumber"));
        return out;
    }
};

TEST(JournalEntryQuery, EntriesComeBackAsQuickBooksHoldsThemWithoutAMemoOfTheirOwn) {
    Posted s;
    Answer a(answerRequest(s.company, query("<RefNumber>a-101</RefNumber><IncludeLineItems>true</IncludeLineItems>")));
    EXPECT_EQ(std::string(a.rs.name()), "JournalEntryQueryRs");
    EXPECT_EQ(std::string(a.rs.attribute("requestID").value()), "7");
    EXPECT_EQ(a.code + a.severity + a.message, "0InfoStatus OK");
    pugi::xml_node ret = a.rs.child("JournalEntryRet");
    std::vector<std::string> order;
    for (auto c : ret.children()) order.push_back(c.name());
    EXPECT_EQ(order, (std::vector<std::string>{"TxnID", "TimeCreated", "TimeModified", "EditSequence", "TxnNumber",
                                               "TxnDate", "RefNumber", "JournalDebitLine", "JournalCreditLine"}));
    EXPECT_STREQ(ret.child_value("TxnID"), s.company.journal()[1].txnId.c_str());
    EXPECT_STREQ(ret.child_value("TxnNumber"), "2");
    pugi::xml_node debit = ret.child("JournalDebitLine");
    EXPECT_STREQ(debit.child("AccountRef").child_value("FullName"), "Accounts Receivable");
    EXPECT_STREQ(debit.child_value("Amount"), "20.00");
    EXPECT_STREQ(debit.child_value("Memo"), " Korvane Import ");
    EXPECT_STREQ(debit.child("EntityRef").child_value("FullName"), "Walk-in Customer");
    EXPECT_FALSE(ret.child("JournalCreditLine").child("EntityRef"));

    Answer bare(answerRequest(s.company, query("<RefNumber>A-101</RefNumber>")));
    EXPECT_FALSE(bare.rs.child("JournalEntryRet").child("JournalDebitLine")) << "lines only when asked for";
}

TEST(JournalEntryQuery, TheAddsAnswerCarriesTheEntryAsTheQueryAnswersIt) {
    SampleCompany s;
    const std::string added = answerRequest(
        s.company, journalEntryRequest("R-9", "2026-12-05",
                                       {{"1200", "20.00", "Walk-in Customer"}, {"4000", "-20.00"}}));
    const std::string queried =
        answerRequest(s.company, query("<RefNumber>R-9</RefNumber><IncludeLineItems>true</IncludeLineItems>"));
    auto retOf = [](const std::string& answer, const char* rs) {
        const auto from = answer.find("<JournalEntryRet>"), to = answer.find("</JournalEntryRet>");
        EXPECT_NE(answer.find(rs), std::string::npos) << answer;
        return from == std::string::npos || to == std::string::npos ? std::string()
                                                                    : answer.substr(from, to - from);
    };
    const std::string ret = retOf(added, "<JournalEntryAddRs");
    EXPECT_NE(ret.find("<JournalDebitLine>"), std::string::npos) << added;
    EXPECT_EQ(ret, retOf(queried, "<JournalEntryQueryRs")) << "the add answers with the entry the query finds";
    EXPECT_FALSE(Answer(added).rs.child("JournalEntryRet").child("Memo")) << "no header memo: " << ret;
}

TEST(JournalEntryQuery, FiltersSelectAsQuickBooksSelects) {
    Posted s;
    const std::string txn = s.company.journal()[2].txnId;
    struct Case {
        const char* body;
        std::vector<std::string> refs;
    } cases[] = {
        {"", {"A-100", "a-101", "B-200"}},
        {"<TxnDateRangeFilter><FromTxnDate>2026-12-05</FromTxnDate><ToTxnDate>2026-12-05</ToTxnDate>"
         "</TxnDateRangeFilter><IncludeLineItems>true</IncludeLineItems>",
         {"A-100", "a-101"}},
        {"<TxnDateRangeFilter><FromTxnDate>2026-12-06</FromTxnDate></TxnDateRangeFilter>", {"B-200"}},
        {"<RefNumber>A-100</RefNumber><RefNumber>b-200</RefNumber>", {"A-100", "B-200"}},
        {"<TxnID>9-1</TxnID>", {}},
        {"<MaxReturned>2</MaxReturned>", {"A-100", "a-101"}},
        {"<EntityFilter><FullName>walk-in customer</FullName></EntityFilter>", {"a-101"}},
        {"<AccountFilter><FullName>Service Income</FullName></AccountFilter>", {"B-200"}},
        {"<RefNumberFilter><MatchCriterion>StartsWith</MatchCriterion><RefNumber>a-</RefNumber></RefNumberFilter>",
         {"A-100", "a-101"}},
        {"<RefNumberFilter><MatchCriterion>EndsWith</MatchCriterion><RefNumber>00</RefNumber></RefNumberFilter>",
         {"A-100", "B-200"}},
        {"<RefNumberRangeFilter><FromRefNumber>a-101</FromRefNumber></RefNumberRangeFilter>", {"a-101", "B-200"}},
        {"<ModifiedDateRangeFilter><FromModifiedDate>2000-01-01T00:00:00+00:00</FromModifiedDate>"
         "</ModifiedDateRangeFilter>",
         {"A-100", "a-101", "B-200"}},
        {"<ModifiedDateRangeFilter><ToModifiedDate>2000-01-01</ToModifiedDate></ModifiedDateRangeFilter>", {}},
    };
    for (const auto& c : cases) EXPECT_EQ(s.refs(c.body), c.refs) << c.body;
    EXPECT_EQ(s.refs("<TxnID>" + txn + "</TxnID>"), std::vector<std::string>{"B-200"});

    Answer none(answerRequest(s.company, query("<RefNumber>nobody</RefNumber>")));
    EXPECT_EQ(none.code + "/" + none.severity + "/" + none.message,
              "1/Info/A query request did not find a matching object in QuickBooks");
    Answer badDate(answerRequest(
        s.company, query("<TxnDateRangeFilter><FromTxnDate>2026-02-30</FromTxnDate></TxnDateRangeFilter>")));
    EXPECT_EQ(badDate.code + " " + badDate.message,
              "3020 There was an error when converting the \"2026-02-30\" in the field \"FromTxnDate\".");
}

TEST(JournalEntryQuery, WhatTheDeclaredVersionLacksOrBreaksItsOrderIsAParseError) {
    Posted s;
    const char* refused[] = {
        "<IncludeLineItems>true</IncludeLineItems><TxnDateRangeFilter></TxnDateRangeFilter>",  // out of order
        "<TxnID>1-1</TxnID><MaxReturned>5</MaxReturned>",                                       // ID with a filter
        "<TxnID>1-1</TxnID><RefNumber>A</RefNumber>",
        "<RefNumberCaseSensitive>A</RefNumberCaseSensitive>",  // 4.0
        "<IncludeRetElement>TxnID</IncludeRetElement>",        // 4.0
        "<OwnerID>0</OwnerID>",                                // 2.0
        "<EntityFilter><ListID>80000001-1</ListID></EntityFilter>",  // ListID filters are 2.0
        "<TxnDateRangeFilter><DateMacro>Today</DateMacro></TxnDateRangeFilter>",
        "<ModifiedDateRangeFilter></ModifiedDateRangeFilter><TxnDateRangeFilter></TxnDateRangeFilter>",
        "<RefNumberFilter><MatchCriterion>Equals</MatchCriterion><RefNumber>A</RefNumber></RefNumberFilter>",
    };
    for (const char* body : refused)
        EXPECT_THROW(answerRequest(s.company, query(body)), RequestParseError) << body;
    EXPECT_EQ(s.company.journal().size(), 3u);
}

}  // namespace
