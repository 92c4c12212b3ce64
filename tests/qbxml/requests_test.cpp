#include <gtest/gtest.h>

#include "platform/vb_error.h"
#include "qbxml/requests.h"

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

// The requests beyond the import's own: each in the form of the import's requests, with the
// prolog of the lowest version that has every element it uses.
TEST(Requests, QueriesDeleteAndPreferencesAreExactTextWithTheirVersions) {
    const std::string v10 =
        "<?xml version =\"1.0\" ?>\r\n"
        "<!DOCTYPE QBXML PUBLIC '-//INTUIT//DTD QBXML QBD 1.0//EN'>\r\n"
        "<QBXML>\r\n"
        "    <QBXMLMsgsRq onError=\"stopOnError\">\r\n";
    const std::string v11 =
        "<?xml version =\"1.0\" ?>\r\n"
        "<!DOCTYPE QBXML PUBLIC '-//INTUIT//DTD QBXML QBD 1.1//EN'>\r\n"
        "<QBXML>\r\n"
        "    <QBXMLMsgsRq onError=\"stopOnError\">\r\n";
    const std::string end =
        "    </QBXMLMsgsRq>\r\n"
        "</QBXML>\r\n";
    EXPECT_EQ(journalEntryQueryRequest({2006, 12, 5}, {2007, 1, 31}, 9999),
              v10 +
                  "        <JournalEntryQueryRq requestID=\"1\">\r\n"
                  "            <MaxReturned>9999</MaxReturned>\r\n"
                  "            <TxnDateRangeFilter>\r\n"
                  "                <FromTxnDate>2006-12-05</FromTxnDate>\r\n"
                  "                <ToTxnDate>2007-01-31</ToTxnDate>\r\n"
                  "            </TxnDateRangeFilter>\r\n"
                  "            <IncludeLineItems>true</IncludeLineItems>\r\n"
                  "        </JournalEntryQueryRq>\r\n" +
                  end);
    EXPECT_EQ(journalEntryByTxnIdRequest("1A-1196256987"),
              v10 +
                  "        <JournalEntryQueryRq requestID=\"1\">\r\n"
                  "            <TxnID>1A-1196256987</TxnID>\r\n"
                  "            <IncludeLineItems>true</IncludeLineItems>\r\n"
                  "        </JournalEntryQueryRq>\r\n" +
                  end);
    EXPECT_EQ(journalEntryDeleteRequest("1A-1196256987"),
              v11 +
                  "        <TxnDelRq requestID=\"1\">\r\n"
                  "            <TxnDelType>JournalEntry</TxnDelType>\r\n"
                  "            <TxnID>1A-1196256987</TxnID>\r\n"
                  "        </TxnDelRq>\r\n" +
                  end);
    EXPECT_EQ(preferencesQueryRequest(), v11 +
                                             "        <PreferencesQueryRq requestID=\"1\">\r\n"
                                             "        </PreferencesQueryRq>\r\n" +
                                             end);
    EXPECT_NE(journalEntryDeleteRequest("<&>").find("<TxnID>&lt;&amp;&gt;</TxnID>"), std::string::npos);
}

TEST(Requests, TheNameQueryAsksEachNameOnceAsCustomerAndAsVendorAndGoesOnPastAMissingOne) {
    EXPECT_EQ(entityQueryRequest({"Walk-in Customer", "  ", "", "WALK-IN customer ", "Tax & Co"}),
              "<?xml version =\"1.0\" ?>\r\n"
              "<!DOCTYPE QBXML PUBLIC '-//INTUIT//DTD QBXML QBD 1.0//EN'>\r\n"
              "<QBXML>\r\n"
              "    <QBXMLMsgsRq onError=\"continueOnError\">\r\n"
              "        <CustomerQueryRq requestID=\"1\">\r\n"
              "            <FullName>Walk-in Customer</FullName>\r\n"
              "        </CustomerQueryRq>\r\n"
              "        <CustomerQueryRq requestID=\"2\">\r\n"
              "            <FullName>Tax &amp; Co</FullName>\r\n"
              "        </CustomerQueryRq>\r\n"
              "        <VendorQueryRq requestID=\"3\">\r\n"
              "            <FullName>Walk-in Customer</FullName>\r\n"
              "        </VendorQueryRq>\r\n"
              "        <VendorQueryRq requestID=\"4\">\r\n"
              "            <FullName>Tax &amp; Co</FullName>\r\n"
              "        </VendorQueryRq>\r\n"
              "    </QBXMLMsgsRq>\r\n"
              "</QBXML>\r\n");
    EXPECT_EQ(entityQueryRequest({" ", ""}), "") << "nothing to ask";
}
