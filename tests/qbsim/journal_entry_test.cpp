// The journal entry rules of the simulated company, through request texts as the import
// engine writes them.
#include <gtest/gtest.h>

#include "qbsim/qbxml.h"
#include "request_text.h"
#include "response.h"

using namespace ztl::qbsim;
using qbsim_test::journalEntryRequest;
using qbsim_test::Row;
using qbsim_test::SampleCompany;

namespace {

const std::string kSaveError = "There was an error when saving a Journal Entry.  QuickBooks error message: ";

std::string invalidRef(const std::string& list, const std::string& name) {
    return "There is an invalid reference to QuickBooks " + list + " \"" + name +
           "\" in the Journal Entry line.  QuickBooks error message: Invalid argument.  The specified record "
           "does "
           "not exist in the list.";
}

struct RuleCase {
    const char* why;
    std::string ref, date;
    std::vector<Row> rows;
    std::string code, message;  // message empty: "Status OK"
};

std::int64_t balanceOf(Company& c, const std::string& name) {
    auto a = c.findAccount(name);
    EXPECT_TRUE(a) << name;
    return a ? a->balanceCents : 0;
}

}  // namespace

TEST(JournalEntryRules, EachRuleAnswersWithItsStatusAndRefusalsStoreNothing) {
    const std::string ok = "Status OK";
    const RuleCase cases[] = {
        {"balanced entry with a sales-tax vendor",
         "004711",
         "2006-12-05",
         {{"1000", "0000107.00"}, {"4000", "-0000100.00"}, {"2100", "-0000007.00", "State Tax Agency"}},
         "0",
         ok},
        {"debits short of credits by one cent",
         "1",
         "2006-12-05",
         {{"1000", "0000100.00"}, {"4000", "-0000100.01"}},
         "3180",
         kSaveError + "Transaction not in balance."},
        {"credits only",
         "1",
         "2006-12-05",
         {{"1000", "-0000015.00"}, {"4000", "-0000005.00"}},
         "3180",
         kSaveError + "Transaction not in balance."},
        {"unknown account code",
         "1",
         "2006-12-05",
         {{"9999", "0000100.00"}, {"4000", "-0000100.00"}},
         "3140",
         invalidRef("Account", "9999")},
        {"unknown entity",
         "1",
         "2006-12-05",
         {{"1000", "0000100.00"}, {"4000", "-0000100.00", "Nobody Inc"}},
         "3140",
         invalidRef("Entity", "Nobody Inc")},
        {"receivables without a name",
         "1",
         "2006-12-05",
         {{"1200", "0000100.00"}, {"4000", "-0000100.00"}},
         "3180",
         kSaveError + "When you use Accounts Receivable, you must choose a customer in the Name field."},
        {"receivables with a vendor",
         "1",
         "2006-12-05",
         {{"1200", "0000100.00", "Main Supplier"}, {"4000", "-0000100.00"}},
         "3180",
         kSaveError + "When you use Accounts Receivable, you must choose a customer in the Name field."},
        {"receivables with a customer",
         "1",
         "2006-12-05",
         {{"1200", "0000100.00", "Walk-in Customer"}, {"4000", "-0000100.00"}},
         "0",
         ok},
        {"payables without a name",
         "1",
         "2006-12-05",
         {{"6100", "0000040.00"}, {"2000", "-0000040.00"}},
         "3180",
         kSaveError + "When you use Accounts Payable, you must choose a vendor in the Name field."},
        {"payables with a customer",
         "1",
         "2006-12-05",
         {{"6100", "0000040.00"}, {"2000", "-0000040.00", "House Account"}},
         "3180",
         kSaveError + "When you use Accounts Payable, you must choose a vendor in the Name field."},
        {"payables with a vendor",
         "1",
         "2006-12-05",
         {{"6100", "0000040.00"}, {"2000", "-0000040.00", "Main Supplier"}},
         "0",
         ok},
        {"sales tax without a name",
         "1",
         "2006-12-05",
         {{"1000", "0000007.00"}, {"2100", "-0000007.00"}},
         "3180",
         kSaveError + "When you use Sales Tax Payable, you must choose a vendor in the Name field."},
        {"sales tax with a customer",
         "1",
         "2006-12-05",
         {{"1000", "0000007.00"}, {"2100", "-0000007.00", "Walk-in Customer"}},
         "3180",
         kSaveError + "When you use Sales Tax Payable, you must choose a vendor in the Name field."},
        {"sales tax found by name, not number",
         "1",
         "2006-12-05",
         {{"1000", "0000007.00"}, {"sales tax payable", "-0000007.00"}},
         "3180",
         kSaveError + "When you use Sales Tax Payable, you must choose a vendor in the Name field."},
        {"one decimal",
         "1",
         "2006-12-05",
         {{"1000", "12.5"}, {"4000", "-12.50"}},
         "3020",
         "There was an error when converting the \"12.5\" in the field \"Amount\"."},
        {"thousands separator",
         "1",
         "2006-12-05",
         {{"1000", "1,000.00"}, {"4000", "-1000.00"}},
         "3020",
         "There was an error when converting the \"1,000.00\" in the field \"Amount\"."},
        {"not a number",
         "1",
         "2006-12-05",
         {{"1000", "abc"}, {"4000", "-0000001.00"}},
         "3020",
         "There was an error when converting the \"abc\" in the field \"Amount\"."},
        {"three decimals",
         "1",
         "2006-12-05",
         {{"1000", "1.005"}, {"4000", "-1.00"}},
         "3020",
         "There was an error when converting the \"1.005\" in the field \"Amount\"."},
        {"beyond twelve integer digits",
         "1",
         "2006-12-05",
         {{"1000", "1234567890123.00"}, {"4000", "-1234567890123.00"}},
         "3020",
         "There was an error when converting the \"1234567890123.00\" in the field \"Amount\"."},
        {"twelve integer digits after leading zeros",
         "1",
         "2006-12-05",
         {{"1000", "000999999999999.99"}, {"4000", "-999999999999.99"}},
         "0",
         ok},
        {"31 November",
         "1",
         "2006-11-31",
         {{"1000", "1.00"}, {"4000", "-1.00"}},
         "3020",
         "There was an error when converting the \"2006-11-31\" in the field \"TxnDate\"."},
        {"29 February of a common year",
         "1",
         "1900-02-29",
         {{"1000", "1.00"}, {"4000", "-1.00"}},
         "3020",
         "There was an error when converting the \"1900-02-29\" in the field \"TxnDate\"."},
        {"29 February of a leap year", "1", "2000-02-29", {{"1000", "1.00"}, {"4000", "-1.00"}}, "0", ok},
        {"month 13",
         "1",
         "2006-13-01",
         {{"1000", "1.00"}, {"4000", "-1.00"}},
         "3020",
         "There was an error when converting the \"2006-13-01\" in the field \"TxnDate\"."},
        {"store's own date form",
         "1",
         "12/05/06",
         {{"1000", "1.00"}, {"4000", "-1.00"}},
         "3020",
         "There was an error when converting the \"12/05/06\" in the field \"TxnDate\"."},
        {"empty date",
         "1",
         "",
         {{"1000", "1.00"}, {"4000", "-1.00"}},
         "3020",
         "There was an error when converting the \"\" in the field \"TxnDate\"."},
        {"reference of 12 characters",
         "ABCDEFGHIJKL",
         "2006-12-05",
         {{"1000", "1.00"}, {"4000", "-1.00"}},
         "3070",
         "The string \"ABCDEFGHIJKL\" in the field \"RefNumber\" is too long."},
        {"reference of 11 characters",
         "ABCDEFGHIJK",
         "2006-12-05",
         {{"1000", "1.00"}, {"4000", "-1.00"}},
         "0",
         ok},
        {"account by full name, any case, outer blanks",
         "1",
         "2006-12-05",
         {{"  checking ", "1.00"}, {"MERCHANDISE SALES", "-1.00"}},
         "0",
         ok},
        {"entity in any case",
         "1",
         "2006-12-05",
         {{"1000", "7.00"}, {"2100", "-7.00", " state TAX agency "}},
         "0",
         ok},
        {"zero credit line after a debit",
         "1",
         "2006-12-05",
         {{"1000", "0000010.00"}, {"4000", "-0000010.00"}, {"4100", "0000000.00"}},
         "0",
         ok},
        {"the first refusal in the text wins",
         "1",
         "2006-12-05",
         {{"1000", "0000100.00"}, {"9999", "-0000050.00"}, {"4000", "-oops"}},
         "3140",
         invalidRef("Account", "9999")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.why);
        SampleCompany s;
        Answer a(answerRequest(s.company, journalEntryRequest(c.ref, c.date, c.rows)));
        EXPECT_EQ(std::string(a.rs.name()), "JournalEntryAddRs");
        EXPECT_EQ(a.code, c.code);
        EXPECT_EQ(a.message, c.message);
        EXPECT_EQ(a.severity, c.code == "0" ? "Info" : "Error");
        EXPECT_EQ(std::string(a.rs.attribute("requestID").value()), "1");
        bool accepted = c.code == "0";
        EXPECT_EQ(bool(a.rs.child("JournalEntryRet")), accepted);
        EXPECT_EQ(s.company.journal().size(), accepted ? 1u : 0u);
        if (!accepted) {
            for (const auto& acc : s.company.accounts()) EXPECT_EQ(acc.balanceCents, 0) << acc.name;
        }
    }
}

TEST(JournalEntryRules, AcceptedEntryUpdatesBalancesInTheirNaturalSign) {
    SampleCompany s;
    auto req = journalEntryRequest("004711", "2006-12-05",
                                   {{"1000", "0000107.00"},
                                    {"1200", "0000050.00", "Walk-in Customer"},
                                    {"5000", "0000030.00"},
                                    {"4000", "-0000150.00"},
                                    {"2100", "-0000007.00", "State Tax Agency"},
                                    {"1300", "-0000030.00"}});
    ASSERT_EQ(Answer(answerRequest(s.company, req)).code, "0");
    EXPECT_EQ(balanceOf(s.company, "Checking"), 10700);
    EXPECT_EQ(balanceOf(s.company, "Accounts Receivable"), 5000);
    EXPECT_EQ(balanceOf(s.company, "Cost of Goods Sold"), 3000);
    EXPECT_EQ(balanceOf(s.company, "Merchandise Sales"), 15000);  // credit raises income
    EXPECT_EQ(balanceOf(s.company, "Sales Tax Payable"), 700);    // and liabilities
    EXPECT_EQ(balanceOf(s.company, "Inventory Asset"), -3000);    // and lowers assets
    // The same entry again doubles every balance: balances accumulate, never reset.
    ASSERT_EQ(Answer(answerRequest(s.company, req)).code, "0");
    EXPECT_EQ(balanceOf(s.company, "Checking"), 21400);

    auto journal = s.company.journal();
    ASSERT_EQ(journal.size(), 2u);
    EXPECT_EQ(journal[0].txnNumber, 1);
    EXPECT_EQ(journal[1].txnNumber, 2);
    EXPECT_NE(journal[0].txnId, journal[1].txnId);
    ASSERT_EQ(journal[0].lines.size(), 6u);
    EXPECT_EQ(journal[0].refNumber, "004711");  // leading zeros kept
    EXPECT_EQ(journal[0].lines[1].entityName, "Walk-in Customer");
    EXPECT_FALSE(journal[0].lines[3].debit);
}

TEST(JournalEntryRules, ResponseCarriesTheStoredEntryInQuickBooksOrder) {
    SampleCompany s({std::chrono::milliseconds(5000), [] { return std::time_t{1196256987}; }});
    Answer a(answerRequest(s.company, journalEntryRequest("R1", "2006-12-05",
                                                          {{"1000", "0000107.00"},
                                                           {"4000", "-0000100.00"},
                                                           {"2100", "-0000007.00", "State Tax Agency"}})));
    auto ret = a.rs.child("JournalEntryRet");
    std::vector<std::string> names;
    for (auto c : ret.children()) names.push_back(c.name());
    EXPECT_EQ(names, (std::vector<std::string>{
                         "TxnID", "TimeCreated", "TimeModified", "EditSequence", "TxnNumber", "TxnDate",
                         "RefNumber", "JournalDebitLine", "JournalCreditLine", "JournalCreditLine"}))
        << "no memo of the entry's own, as the query answers it";
    EXPECT_EQ(std::string(ret.child_value("TxnID")), "1-1196256987");
    EXPECT_EQ(std::string(ret.child_value("EditSequence")), "1196256987");
    EXPECT_EQ(std::string(ret.child_value("TxnDate")), "2006-12-05");
    EXPECT_EQ(std::string(ret.child_value("RefNumber")), "R1");
    std::vector<std::string> lineNames;
    auto last = ret.last_child();
    for (auto c : last.children()) lineNames.push_back(c.name());
    EXPECT_EQ(lineNames,
              (std::vector<std::string>{"TxnLineID", "AccountRef", "Amount", "Memo", "EntityRef"}));
    EXPECT_EQ(std::string(last.child_value("TxnLineID")), "0");
    EXPECT_EQ(std::string(last.child("AccountRef").child_value("FullName")), "Sales Tax Payable");
    EXPECT_EQ(std::string(last.child("EntityRef").child_value("FullName")), "State Tax Agency");
    EXPECT_EQ(std::string(last.child_value("Amount")), "7.00");
}

TEST(JournalEntryRules, AccountNameTakesPrecedenceOverAnotherAccountsNumber) {
    SampleCompany s;
    s.company.addAccount({"7000", "6100", "Expense", ""});  // named like the supplies account's number
    ASSERT_EQ(Answer(answerRequest(s.company, journalEntryRequest("1", "2006-12-05",
                                                                  {{"6100", "1.00"}, {"1000", "-1.00"}})))
                  .code,
              "0");
    EXPECT_EQ(balanceOf(s.company, "6100"), 100);
    EXPECT_EQ(balanceOf(s.company, "Store Supplies"), 0);
}

TEST(JournalEntryRules, MissingDateIsTodayAndMissingAmountIsZero) {
    SampleCompany s({std::chrono::milliseconds(5000), [] { return std::time_t{1196256987}; }});
    std::string req = journalEntryRequest("1", "X", {{"1000", "1.00"}, {"4000", "-1.00"}, {"4100", "-0.00"}});
    req.erase(req.find("                <TxnDate>"),
              std::string("                <TxnDate>X</TxnDate>\r\n").size());
    auto p = req.find("<Amount>0.00</Amount>");
    ASSERT_NE(p, std::string::npos);
    req.erase(p, std::string("<Amount>0.00</Amount>").size());
    ASSERT_EQ(Answer(answerRequest(s.company, req)).code, "0");
    auto j = s.company.journal();
    ASSERT_EQ(j.size(), 1u);
    char today[16];
    std::time_t t = 1196256987;
    std::tm tm{};
    localtime_r(&t, &tm);
    std::strftime(today, sizeof today, "%Y-%m-%d", &tm);
    EXPECT_EQ(j[0].txnDate, today);
    EXPECT_EQ(j[0].lines[2].amountCents, 0);
}

TEST(JournalEntryRules, EntryWithoutLinesIsRefused) {
    SampleCompany s;
    Answer a(answerRequest(s.company, journalEntryRequest("1", "2006-12-05", {})));
    EXPECT_EQ(a.code, "3180");
    EXPECT_EQ(a.message, kSaveError + "Transaction is empty.");
    EXPECT_TRUE(s.company.journal().empty());
}

namespace {

std::string twoEntries(const char* onError) {
    std::string first = journalEntryRequest("A", "2006-12-05", {{"9999", "1.00"}, {"4000", "-1.00"}});
    std::string second = journalEntryRequest("B", "2006-12-05", {{"1000", "1.00"}, {"4000", "-1.00"}});
    auto body = [](const std::string& r) {
        auto b = r.find("        <JournalEntryAddRq");
        auto e = r.find("    </QBXMLMsgsRq>");
        return r.substr(b, e - b);
    };
    std::string out = first.substr(0, first.find("        <JournalEntryAddRq")) + body(first) + body(second) +
                      "    </QBXMLMsgsRq>\r\n</QBXML>\r\n";
    auto at = out.find("stopOnError");
    out.replace(at, 11, onError);
    auto second_id = out.rfind("requestID=\"1\"");
    out.replace(second_id, 13, "requestID=\"2\"");
    return out;
}

}  // namespace

TEST(JournalEntryRules, StopOnErrorEndsTheMessageSetContinueOnErrorGoesOn) {
    {
        SampleCompany s;
        Answer a(answerRequest(s.company, twoEntries("stopOnError")));
        auto rs = a.doc.child("QBXML").child("QBXMLMsgsRs");
        EXPECT_EQ(std::distance(rs.children().begin(), rs.children().end()), 1);
        EXPECT_EQ(a.code, "3140");
        EXPECT_TRUE(s.company.journal().empty());
    }
    {
        SampleCompany s;
        Answer a(answerRequest(s.company, twoEntries("continueOnError")));
        auto second = a.rs.next_sibling("JournalEntryAddRs");
        ASSERT_TRUE(second);
        EXPECT_EQ(std::string(second.attribute("requestID").value()), "2");
        EXPECT_EQ(std::string(second.attribute("statusCode").value()), "0");
        ASSERT_EQ(s.company.journal().size(), 1u);
        EXPECT_EQ(s.company.journal()[0].refNumber, "B");
    }
}
