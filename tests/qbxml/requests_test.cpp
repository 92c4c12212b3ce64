#include <gtest/gtest.h>

#include "qbxml/requests.h"
#include "platform/vb_error.h"

using namespace ztl;

namespace {
SortedLineTable rows(std::vector<std::pair<std::string, std::string>> codeAmounts) {
    SortedLineTable t;
    for (auto& [c, a] : codeAmounts) t.push_back({"D", c, a});
    return t;
}
std::string noEntity(const std::string&) {
    return {};
}
}  // namespace

TEST(Requests, AccountQueryIsExactText) {
    EXPECT_EQ(accountQueryRequest(),
              "<?xml version =\"1.0\" ?>\r\n"
              "<!DOCTYPE QBXML PUBLIC '-//INTUIT//DTD QBXML QBD 1.0//EN'>\r\n"
              "<QBXML>\r\n"
              "    <QBXMLMsgsRq onError=\"stopOnError\">\r\n"
              "        <AccountQueryRq requestID=\"1\" >\r\n"
              "        </AccountQueryRq>\r\n"
              "    </QBXMLMsgsRq>\r\n"
              "</QBXML>\r\n");
}

TEST(Requests, JournalEntryIsExactTextWithDebitsCreditsAndEntities) {
    std::vector<std::string> asked;
    auto entity = [&](const std::string& code) {
        asked.push_back(code);
        return code == "1200" ? std::string("Walk-in Customer") : std::string();
    };
    std::string r = journalEntryRequest("004711", {2006, 12, 5},
                                        rows({{"1200", "100"}, {"4000", "-60"}, {"2100", "-40"}}), entity);
    EXPECT_EQ(r,
              "<?xml version =\"1.0\" ?>\r\n"
              "<!DOCTYPE QBXML PUBLIC '-//INTUIT//DTD QBXML QBD 1.0//EN'>\r\n"
              "<QBXML>\r\n"
              "    <QBXMLMsgsRq onError=\"stopOnError\">\r\n"
              "        <JournalEntryAddRq requestID=\"1\" > \r\n"
              "            <JournalEntryAdd>\r\n"
              "                <TxnDate>2006-12-05</TxnDate>\r\n"
              "                <RefNumber>004711</RefNumber>\r\n"
              "                <Memo> Korvane Import </Memo>\r\n"
              "                    <JournalDebitLine>\r\n"
              "                        <AccountRef>\r\n"
              "                            <FullName> 1200</FullName>\r\n"
              "                        </AccountRef>\r\n"
              "                        <Amount>0000100.00</Amount>\r\n"
              "                        <Memo> Korvane Import </Memo>\r\n"
              "                        <EntityRef>\r\n"
              "                            <FullName>Walk-in Customer</FullName>\r\n"
              "                        </EntityRef>\r\n"
              "                    </JournalDebitLine>\r\n"
              "                    <JournalCreditLine>\r\n"
              "                        <AccountRef>\r\n"
              "                            <FullName> 4000</FullName>\r\n"
              "                        </AccountRef>\r\n"
              "                        <Amount>0000060.00</Amount>\r\n"
              "                        <Memo> Korvane Import </Memo>\r\n"
              "                    </JournalCreditLine>\r\n"
              "                    <JournalCreditLine>\r\n"
              "                        <AccountRef>\r\n"
              "                            <FullName> 2100</FullName>\r\n"
              "                        </AccountRef>\r\n"
              "                        <Amount>0000040.00</Amount>\r\n"
              "                        <Memo> Korvane Import </Memo>\r\n"
              "                    </JournalCreditLine>\r\n"
              "            </JournalEntryAdd>\r\n"
              "        </JournalEntryAddRq>\r\n"
              "    </QBXMLMsgsRq>\r\n"
              "</QBXML>\r\n");
    EXPECT_EQ(asked, (std::vector<std::string>{"1200", "4000", "2100"})) << "asked once per row, in order";
}

TEST(Requests, AmountsAndLaterZeroRows) {
    std::string r = journalEntryRequest("1", {2026, 1, 2},
                                        rows({{"1000", "1234.5"}, {"1", "0"}, {"2", "-1.005"}}), noEntity);
    EXPECT_NE(r.find("<Amount>0001234.50</Amount>"), std::string::npos);
    EXPECT_NE(
        r.find(
            "<JournalCreditLine>\r\n                        <AccountRef>\r\n"
            "                            <FullName> 1</FullName>\r\n                        </AccountRef>\r\n"
            "                        <Amount>0000000.00</Amount>"),
        std::string::npos)
        << "a later zero row is a credit line";
    EXPECT_NE(r.find("<Amount>0000001.01</Amount>"), std::string::npos) << "half away from zero";
    EXPECT_EQ(r.find("<EntityRef>"), std::string::npos);
    // Only credits: still sent (the rule looks for zero only).
    std::string credits = journalEntryRequest("1", {2026, 1, 2}, rows({{"1", "-5"}, {"2", "-15"}}), noEntity);
    EXPECT_EQ(credits.find("JournalDebitLine"), std::string::npos);
}

TEST(Requests, ZeroFirstRowIsRefusedBeforeAnyEntityIsAsked) {
    int asked = 0;
    try {
        journalEntryRequest("1", {2026, 1, 2}, rows({{"1000", "0"}, {"4000", "-15"}}),
                            [&](const std::string&) {
                                ++asked;
                                return std::string();
                            });
        FAIL() << "zero first row accepted";
    } catch (const VbError& e) {
        EXPECT_EQ(e.number, -2147220991);
        EXPECT_EQ(e.source, "Zentrel.clsZTL.StartImport");
        EXPECT_EQ(e.description, "Zero amount in first journal entry line... Import aborted !");
    }
    EXPECT_EQ(asked, 0);
}

TEST(Requests, MarkupInNamesCannotBreakTheRequest) {
    std::string r = journalEntryRequest("A<1>", {2026, 1, 2}, rows({{"1&2", "5"}}), [](const std::string&) {
        return std::string("Smith & Sons <West>");
    });
    EXPECT_NE(r.find("<RefNumber>A&lt;1&gt;</RefNumber>"), std::string::npos);
    EXPECT_NE(r.find("<FullName> 1&amp;2</FullName>"), std::string::npos);
    EXPECT_NE(r.find("<FullName>Smith &amp; Sons &lt;West&gt;</FullName>"), std::string::npos);
}
