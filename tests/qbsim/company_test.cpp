// The company file itself: what it refuses to become, and the sample company's chart.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "qbsim/company.h"
#include "qbsim/sample_company.h"
#include "request_text.h"

using namespace ztl::qbsim;
using qbsim_test::SampleCompany;
using qbsim_test::TempFolder;

namespace {

CompanyError::Kind kindOf(const std::function<void()>& fn) {
    try {
        fn();
    } catch (const CompanyError& e) {
        return e.kind;
    }
    ADD_FAILURE() << "no CompanyError";
    return CompanyError::Kind::Database;
}

}  // namespace

TEST(CompanyFile, NeverOverwritesAndOpensOnlyItsOwnFiles) {
    TempFolder dir;
    { std::ofstream(dir / "notes.txt") << "keep me"; }
    EXPECT_EQ(kindOf([&] { Company::create(dir / "notes.txt"); }), CompanyError::Kind::Exists);
    std::ifstream kept(dir / "notes.txt");
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(kept), {}), "keep me");

    EXPECT_EQ(kindOf([&] { Company::open(dir / "missing.qbw"); }), CompanyError::Kind::NotFound);
    EXPECT_EQ(kindOf([&] { Company::open(dir / "notes.txt"); }), CompanyError::Kind::NotACompany);
    EXPECT_EQ(kindOf([&] { Company::open(dir.path()); }), CompanyError::Kind::NotFound);  // a folder
    {
        // Another program's SQLite database is not a company either.
        auto other = Company::create(dir / "c.qbw");
    }
    std::filesystem::copy_file(dir / "c.qbw", dir / "other.db");
    {
        std::fstream f(dir / "other.db", std::ios::in | std::ios::out | std::ios::binary);
        f.seekp(68);  // the application id in the database header
        f.write("\0\0\0\0", 4);
    }
    EXPECT_EQ(kindOf([&] { Company::open(dir / "other.db"); }), CompanyError::Kind::NotACompany);
    EXPECT_NO_THROW(Company::open(dir / "c.qbw"));
}

TEST(CompanyFile, ListNamesAreUniqueAndClean) {
    SampleCompany s;
    auto& c = s.company;
    struct Bad {
        const char* why;
        std::function<void()> add;
    };
    const Bad bad[] = {
        {"account name in another case",
         [&] {
             c.addAccount({"9000", " checking ", "Bank", ""});
         }},
        {"account number taken",
         [&] {
             c.addAccount({"1000", "Second Checking", "Bank", ""});
         }},
        {"empty account name",
         [&] {
             c.addAccount({"9001", "  ", "Bank", ""});
         }},
        {"colon: a subaccount path",
         [&] {
             c.addAccount({"9002", "Utilities:Water", "Expense", ""});
         }},
        {"control character",
         [&] {
             c.addAccount({"9003", "Tab\there", "Expense", ""});
         }},
        {"unknown type",
         [&] {
             c.addAccount({"9004", "Fees", "Costs", ""});
         }},
        {"customer named like a vendor", [&] { c.addCustomer("MAIN SUPPLIER"); }},
        {"vendor named like a customer", [&] { c.addVendor("walk-in customer"); }},
        {"empty customer name", [&] { c.addCustomer(""); }},
        {"vendor name with a line break", [&] { c.addVendor("Two\nLines"); }},
    };
    auto before = c.accounts().size();
    auto entities = c.entities().size();
    for (const auto& b : bad) {
        SCOPED_TRACE(b.why);
        EXPECT_EQ(kindOf(b.add), CompanyError::Kind::Invalid);
    }
    EXPECT_EQ(c.accounts().size(), before);
    EXPECT_EQ(c.entities().size(), entities);

    // A batch with one bad account stores none of it.
    EXPECT_EQ(kindOf([&] {
                  c.addAccounts({{"9100", "Good One", "Expense", ""}, {"9101", "good one", "Expense", ""}});
              }),
              CompanyError::Kind::Invalid);
    EXPECT_FALSE(c.findAccount("Good One"));

    // Names and numbers are kept exactly as given; lookups ignore the blanks around them.
    auto added = c.addAccount({"9200 ", "  Bank Charges ", "expense", ""});
    EXPECT_EQ(added.name, "  Bank Charges ");
    EXPECT_EQ(added.number, "9200 ");
    EXPECT_EQ(added.type, "Expense");
    EXPECT_EQ(c.findAccount("9200")->id, added.id);
    EXPECT_EQ(c.findAccount(" 9200")->id, added.id);
    EXPECT_EQ(c.findAccount("bank charges")->id, added.id);
    EXPECT_EQ(kindOf([&] {
                  c.addAccount({" 9200", "Other Charges", "Expense", ""});
              }),
              CompanyError::Kind::Invalid)
        << "the same number with other blanks is the same number";
    EXPECT_EQ(c.addCustomer(" Walk-in ").name, " Walk-in ");
    EXPECT_EQ(c.findEntity("walk-in")->name, " Walk-in ");
}

TEST(SampleCompany, ChartCoversTheSampleTotalsFile) {
    SampleCompany s;
    const std::pair<const char*, const char*> expected[] = {
        {"1000", "Bank"},
        {"1200", "AccountsReceivable"},
        {"2000", "AccountsPayable"},
        {"2100", "OtherCurrentLiability"},
        {"4000", "Income"},
        {"4100", "Income"},
        {"5000", "CostOfGoodsSold"},
        {"6100", "Expense"},
    };
    for (const auto& [number, type] : expected) {
        auto a = s.company.findAccount(number);
        ASSERT_TRUE(a) << number;
        EXPECT_EQ(a->type, type) << number;
    }
    EXPECT_EQ(s.company.findAccount("2100")->name, "Sales Tax Payable");
    for (const char* name : {"Walk-in Customer", "State Tax Agency", "Main Supplier"})
        EXPECT_TRUE(s.company.findEntity(name)) << name;

    // Every account code of the sample totals file's D lines is in the chart.
    std::ifstream totals(std::string(ZTL_SOURCE_DIR) + "/examples/X390.QB");
    if (!totals) GTEST_SKIP() << "no sample totals file";
    std::string line;
    int dLines = 0;
    while (std::getline(totals, line)) {
        if (line.rfind("D", 0) != 0) continue;
        std::istringstream fields(line.substr(1));
        std::string code;
        fields >> code;
        ++dLines;
        EXPECT_TRUE(s.company.findAccount(code)) << "account code " << code;
    }
    EXPECT_GT(dLines, 0);
}
