// The chart-of-accounts answer: element order, IDs and times as QuickBooks writes them.
#include <gtest/gtest.h>

#include <cstdlib>
#include <regex>

#include "qbsim/qbxml.h"
#include "qbsim/sqlite_db.h"
#include "request_text.h"
#include "response.h"

using namespace ztl::qbsim;
using qbsim_test::accountQueryRequest;
using qbsim_test::SampleCompany;

namespace {

// Sets TZ for the life of the object so local times are known.
class ScopedTimeZone {
  public:
    explicit ScopedTimeZone(const char* tz) {
        if (const char* old = std::getenv("TZ")) old_ = old;
        setenv("TZ", tz, 1);
        tzset();
    }
    ~ScopedTimeZone() {
        if (old_)
            setenv("TZ", old_->c_str(), 1);
        else
            unsetenv("TZ");
        tzset();
    }

  private:
    std::optional<std::string> old_;
};

constexpr std::time_t kCreated = 1196256987;  // 2007-11-28 13:36:27 UTC

}  // namespace

TEST(AccountQuery, EveryAccountWithItsChildrenInOrder) {
    ScopedTimeZone tz("PST8PDT");
    SampleCompany s({std::chrono::milliseconds(5000), [] { return kCreated; }});
    s.company.addAccount({"", "Undeposited Funds", "OtherCurrentAsset", ""});  // no number, no description
    std::string text = answerRequest(s.company, accountQueryRequest());
    EXPECT_EQ(text.rfind("<?xml version=\"1.0\" ?>\n<QBXML>", 0), 0u) << text.substr(0, 60);
    Answer a(text);
    EXPECT_EQ(std::string(a.rs.name()), "AccountQueryRs");
    EXPECT_EQ(std::string(a.rs.attribute("requestID").value()), "1");
    EXPECT_EQ(a.code, "0");
    EXPECT_EQ(a.severity, "Info");
    EXPECT_EQ(a.message, "Status OK");

    std::vector<pugi::xml_node> rets;
    for (auto r : a.rs.children("AccountRet")) rets.push_back(r);
    ASSERT_EQ(rets.size(), s.company.accounts().size());

    auto childNames = [](pugi::xml_node n) {
        std::vector<std::string> v;
        for (auto c : n.children()) v.push_back(c.name());
        return v;
    };
    EXPECT_EQ(childNames(rets[0]),
              (std::vector<std::string>{"ListID", "TimeCreated", "TimeModified", "EditSequence", "Name",
                                        "FullName", "IsActive", "Sublevel", "AccountType", "AccountNumber",
                                        "Desc", "Balance", "TotalBalance"}));
    EXPECT_EQ(
        childNames(rets.back()),
        (std::vector<std::string>{"ListID", "TimeCreated", "TimeModified", "EditSequence", "Name", "FullName",
                                  "IsActive", "Sublevel", "AccountType", "Balance", "TotalBalance"}));
    EXPECT_EQ(std::string(rets[0].child_value("ListID")), "80000001-1196256987");
    EXPECT_EQ(std::string(rets[1].child_value("ListID")), "80000002-1196256987");
    EXPECT_EQ(std::string(rets[0].child_value("TimeCreated")), "2007-11-28T05:36:27-08:00");
    EXPECT_EQ(std::string(rets[0].child_value("EditSequence")), "1196256987");
    EXPECT_EQ(std::string(rets[0].child_value("AccountNumber")), "1000");
    EXPECT_EQ(std::string(rets[0].child_value("Name")), "Checking");
    EXPECT_EQ(std::string(rets[0].child_value("AccountType")), "Bank");
    EXPECT_EQ(std::string(rets[0].child_value("Balance")), "0.00");

    // Names that need escaping come back as they are stored.
    bool owner = false;
    for (auto r : rets) owner |= std::string(r.child_value("Name")) == "Owner's Equity";
    EXPECT_TRUE(owner);
}

TEST(AccountQuery, TimesCarryTheLocalOffset) {
    const std::regex form(R"(\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d[+-]\d\d:\d\d)");
    {
        ScopedTimeZone tz("UTC0");
        EXPECT_EQ(qbTime(kCreated), "2007-11-28T13:36:27+00:00");
    }
    {
        ScopedTimeZone tz("IST-5:30");
        EXPECT_EQ(qbTime(kCreated), "2007-11-28T19:06:27+05:30");
    }
    EXPECT_TRUE(std::regex_match(qbTime(std::time(nullptr)), form));
}

TEST(AccountQuery, InactiveAccountsAreLeftOutAndAnEmptyChartFindsNothing) {
    SampleCompany s;
    {
        Database raw(s.file.string(), Database::Mode::OpenExisting, std::chrono::milliseconds(1000));
        raw.exec("UPDATE account SET is_active = 0 WHERE account_number = '6300'");
    }
    Answer a(answerRequest(s.company, accountQueryRequest()));
    int count = 0;
    for (auto r : a.rs.children("AccountRet")) {
        ++count;
        EXPECT_NE(std::string(r.child_value("AccountNumber")), "6300");
    }
    EXPECT_EQ(count, static_cast<int>(s.company.accounts(false).size()) - 1);

    qbsim_test::TempFolder folder;
    auto empty = Company::create(folder / "empty.qbw");
    Answer none(answerRequest(empty, accountQueryRequest()));
    EXPECT_EQ(none.code, "1");
    EXPECT_EQ(none.severity, "Info");
    EXPECT_EQ(none.message, "A query request did not find a matching object in QuickBooks");
    EXPECT_FALSE(none.rs.child("AccountRet"));
}

TEST(AccountQuery, ThousandsOfAccountsMakeAResponseOfSeveralMegabytes) {
    qbsim_test::TempFolder folder;
    auto company = Company::create(folder / "big.qbw");
    std::vector<NewAccount> many;
    for (int i = 0; i < 12000; ++i)
        many.push_back({std::to_string(100000 + i), "Store account number " + std::to_string(i),
                        i % 2 ? "Expense" : "Income",
                        "A description long enough to look like a real chart's"});
    company.addAccounts(many);
    std::string text = answerRequest(company, accountQueryRequest());
    EXPECT_GT(text.size(), 5u * 1024 * 1024);
    Answer a(text);
    EXPECT_EQ(a.code, "0");
    std::size_t count = 0;
    std::string last;
    for (auto r : a.rs.children("AccountRet")) {
        ++count;
        last = r.child_value("AccountNumber");
    }
    EXPECT_EQ(count, many.size());
    EXPECT_EQ(last, "111999");
}
