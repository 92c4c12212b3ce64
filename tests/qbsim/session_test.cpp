// The request processor's session rules on simulated companies, and the factory that
// ZENTREL_QUICKBOOKS chooses.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>

#include "platform/vb_error.h"
#include "qbsim/processor_factory.h"
#include "qbsim/sim_request_processor.h"
#include "request_text.h"
#include "response.h"

using namespace ztl::qbsim;
namespace hr = ztl::hresult;
using qbsim_test::SampleCompany;

namespace {

// Runs fn and returns the HRESULT and description it failed with (0 when it did not).
template <class F>
std::pair<long, std::string> failure(F&& fn) {
    try {
        fn();
    } catch (const ztl::VbError& e) {
        return {e.number, e.description};
    }
    return {0, ""};
}

const std::string kJournalEntry =
    qbsim_test::journalEntryRequest("1", "2006-12-05", {{"1000", "1.00"}, {"4000", "-1.00"}});

}  // namespace

TEST(Session, HresultsAreTheSdksSignedValuesAndTexts) {
    EXPECT_EQ(hr::kParseError, static_cast<long>(static_cast<std::int32_t>(0x80040400u)));
    const std::pair<long, const char*> texts[] = {
        {hr::kParseError, "QuickBooks found an error when parsing the provided XML text stream."},
        {hr::kCouldNotAccess, "Could not access QuickBooks."},
        {hr::kCouldNotStart, "Could not start QuickBooks."},
        {hr::kCompanyNotOpen,
         "The QuickBooks company data file is not the one currently open in QuickBooks."},
        {hr::kInvalidTicket, "The ticket parameter is invalid"},
        {hr::kNeedCompanyFile,
         "If QuickBooks is not running, the company data file name must be supplied to BeginSession."},
    };
    for (const auto& [n, t] : texts) EXPECT_STREQ(sdkDescription(n), t);
}

TEST(Session, RunningQuickBooksAnswersForItsOpenCompanyOnly) {
    SampleCompany s;
    qbsim_test::TempFolder other;
    Company::create(other / "other.qbw");
    SimRequestProcessor rp(s.file);
    rp.OpenConnection("", "Korvane Zentrel   ");
    EXPECT_EQ(rp.appName(), "Korvane Zentrel   ");

    auto ticket = rp.BeginSession("", ztl::kOpenModeDoNotCare);
    EXPECT_EQ(rp.GetCurrentCompanyFileName(ticket), std::filesystem::canonical(s.file).string());
    EXPECT_EQ(Answer(rp.ProcessRequest(ticket, kJournalEntry)).code, "0");
    rp.EndSession(ticket);

    // The same file under another spelling is the open company.
    auto dotted = (s.folder.path() / "." / "sub" / ".." / "company.qbw").string();
    std::filesystem::create_directory(s.folder / "sub");
    auto t2 = rp.BeginSession(dotted, 2);
    EXPECT_EQ(rp.GetCurrentCompanyFileName(t2), std::filesystem::canonical(s.file).string());
    rp.EndSession(t2);
    std::filesystem::create_symlink(s.file, s.folder / "link.qbw");
    rp.EndSession(rp.BeginSession((s.folder / "link.qbw").string(), 2));

    EXPECT_EQ(
        failure([&] { rp.BeginSession((other / "other.qbw").string(), 2); }),
        std::make_pair(
            hr::kCompanyNotOpen,
            std::string("The QuickBooks company data file is not the one currently open in QuickBooks.")));
    rp.CloseConnection();
}

TEST(Session, QuickBooksNotRunningNeedsACompanyFileAndThenKeepsItOpen) {
    SampleCompany s;
    qbsim_test::TempFolder other;
    Company::create(other / "other.qbw");
    SimRequestProcessor rp(std::nullopt);
    rp.OpenConnection("", "Korvane Zentrel   ");
    EXPECT_EQ(failure([&] { rp.BeginSession("", 2); }).first, hr::kNeedCompanyFile);

    auto ticket = rp.BeginSession(s.file.string(), 2);
    EXPECT_EQ(Answer(rp.ProcessRequest(ticket, qbsim_test::accountQueryRequest())).code, "0");
    rp.EndSession(ticket);
    // QuickBooks, started with that company, now has it open.
    rp.EndSession(rp.BeginSession("", 2));
    EXPECT_EQ(failure([&] { rp.BeginSession((other / "other.qbw").string(), 2); }).first,
              hr::kCompanyNotOpen);
    // Closing the connection ends the QuickBooks the connection started.
    rp.CloseConnection();
    rp.OpenConnection("", "x");
    EXPECT_EQ(failure([&] { rp.BeginSession("", 2); }).first, hr::kNeedCompanyFile);
    rp.EndSession(rp.BeginSession((other / "other.qbw").string(), 2));
}

TEST(Session, ACompanyThatCannotBeOpenedCannotStartQuickBooks) {
    qbsim_test::TempFolder folder;
    {
        std::ofstream junk(folder / "junk.qbw");
        junk << "this is not a company file, only text long enough to be read as a header"
             << std::string(200, 'x');
    }
    std::ofstream(folder / "empty.qbw").close();
    for (const char* name : {"missing.qbw", "junk.qbw", "empty.qbw"}) {
        SCOPED_TRACE(name);
        SimRequestProcessor notRunning(std::nullopt);
        notRunning.OpenConnection("", "x");
        EXPECT_EQ(failure([&] { notRunning.BeginSession((folder / name).string(), 2); }).first,
                  hr::kCouldNotStart);
        EXPECT_FALSE(notRunning.lastErrorDetail().empty());
        SimRequestProcessor running(folder / name);
        running.OpenConnection("", "x");
        EXPECT_EQ(failure([&] { running.BeginSession("", 2); }).first, hr::kCouldNotStart);
    }
    EXPECT_FALSE(std::filesystem::exists(folder / "missing.qbw"));  // opening never creates
}

TEST(Session, CallsNeedAnOpenConnectionAndAKnownTicket) {
    SampleCompany s;
    SimRequestProcessor rp(s.file);
    const std::string anyTicket = "{00000000-0000-0000-0000-000000000000}";
    for (int round = 0; round < 2; ++round) {
        SCOPED_TRACE(round == 0 ? "never opened" : "after CloseConnection");
        EXPECT_EQ(failure([&] { rp.BeginSession("", 2); }).first, hr::kCouldNotAccess);
        EXPECT_EQ(failure([&] { rp.ProcessRequest(anyTicket, kJournalEntry); }).first, hr::kCouldNotAccess);
        EXPECT_EQ(failure([&] { rp.EndSession(anyTicket); }).first, hr::kCouldNotAccess);
        EXPECT_EQ(failure([&] { rp.GetCurrentCompanyFileName(anyTicket); }).first, hr::kCouldNotAccess);
        EXPECT_EQ(failure([&] { rp.CloseConnection(); }),
                  std::make_pair(hr::kCouldNotAccess, std::string("Could not access QuickBooks.")));
        rp.OpenConnection("", "x");
        auto live = rp.BeginSession("", 2);
        rp.CloseConnection();
        // A ticket of a closed connection does not come back to life with a new connection.
        rp.OpenConnection("", "x");
        EXPECT_EQ(failure([&] { rp.ProcessRequest(live, kJournalEntry); }).first, hr::kInvalidTicket);
        rp.CloseConnection();
    }
    rp.OpenConnection("", "x");
    auto ticket = rp.BeginSession("", 2);
    EXPECT_EQ(failure([&] { rp.ProcessRequest(anyTicket, kJournalEntry); }),
              std::make_pair(hr::kInvalidTicket, std::string("The ticket parameter is invalid")));
    EXPECT_EQ(failure([&] { rp.GetCurrentCompanyFileName(""); }).first, hr::kInvalidTicket);
    rp.EndSession(ticket);
    EXPECT_EQ(failure([&] { rp.EndSession(ticket); }).first, hr::kInvalidTicket);
    EXPECT_EQ(failure([&] { rp.ProcessRequest(ticket, kJournalEntry); }).first, hr::kInvalidTicket);
    EXPECT_TRUE(s.company.journal().empty());
}

TEST(Session, AnUnparsableRequestIsTheParseErrorAndStoresNothing) {
    SampleCompany s;
    SimRequestProcessor rp(s.file);
    rp.OpenConnection("", "x");
    auto ticket = rp.BeginSession("", 2);
    auto bad = kJournalEntry.substr(0, kJournalEntry.size() - 12);
    EXPECT_EQ(
        failure([&] { rp.ProcessRequest(ticket, bad); }),
        std::make_pair(hr::kParseError,
                       std::string("QuickBooks found an error when parsing the provided XML text stream.")));
    EXPECT_FALSE(rp.lastErrorDetail().empty());
    // The session survives a refused request.
    EXPECT_EQ(Answer(rp.ProcessRequest(ticket, kJournalEntry)).code, "0");
    EXPECT_EQ(s.company.journal().size(), 1u);
}

TEST(Session, TwoConnectionsOnOneCompanySeeEachOthersEntries) {
    SampleCompany s;
    SimProcessorFactory factory(s.file);
    auto a = factory.create();
    auto b = factory.create();
    a->OpenConnection("", "a");
    b->OpenConnection("", "b");
    auto ta = a->BeginSession("", 2);
    auto tb = b->BeginSession("", 2);
    EXPECT_NE(ta, tb);
    EXPECT_EQ(Answer(a->ProcessRequest(ta, kJournalEntry)).code, "0");
    Answer chart(b->ProcessRequest(tb, qbsim_test::accountQueryRequest()));
    EXPECT_EQ(std::string(chart.rs.child("AccountRet").child_value("Balance")), "1.00");
    // Tickets belong to their own connection.
    EXPECT_EQ(failure([&] { b->ProcessRequest(ta, kJournalEntry); }).first, hr::kInvalidTicket);
}

TEST(ProcessorFactory, EnvironmentSettingChoosesTheQuickBooks) {
    EXPECT_FALSE(parseQuickBooksSetting(nullptr).runningCompany);
    EXPECT_TRUE(parseQuickBooksSetting(nullptr).error.empty());
    EXPECT_FALSE(parseQuickBooksSetting("").runningCompany);
    auto abs = parseQuickBooksSetting("sim:/srv/books/Shop.qbw");
    EXPECT_EQ(abs.runningCompany, std::filesystem::path("/srv/books/Shop.qbw"));
    auto rel = parseQuickBooksSetting("sim:demo.qbw");
    ASSERT_TRUE(rel.runningCompany);
    EXPECT_EQ(*rel.runningCompany, std::filesystem::current_path() / "demo.qbw");
    for (const char* bad : {"sim:", "qb:Shop.qbw", "Shop.qbw", "SIM:x"}) {
        SCOPED_TRACE(bad);
        auto s = parseQuickBooksSetting(bad);
        EXPECT_FALSE(s.runningCompany);
        EXPECT_NE(s.error.find(bad), std::string::npos);
    }
}

TEST(ProcessorFactory, FromTheEnvironment) {
    SampleCompany s;
    const char* old = std::getenv("ZENTREL_QUICKBOOKS");
    std::optional<std::string> saved = old ? std::optional<std::string>(old) : std::nullopt;

    setenv("ZENTREL_QUICKBOOKS", ("sim:" + s.file.string()).c_str(), 1);
    auto running = processorFactoryFromEnvironment()->create();
    running->OpenConnection("", "x");
    running->EndSession(running->BeginSession("", 2));

    unsetenv("ZENTREL_QUICKBOOKS");
    auto notRunning = processorFactoryFromEnvironment()->create();
    notRunning->OpenConnection("", "x");
    EXPECT_EQ(failure([&] { notRunning->BeginSession("", 2); }).first, hr::kNeedCompanyFile);
    notRunning->EndSession(notRunning->BeginSession(s.file.string(), 2));

    setenv("ZENTREL_QUICKBOOKS", "quickbooks:desktop", 1);
    auto wrong = processorFactoryFromEnvironment()->create();
    auto [n, text] = failure([&] { wrong->OpenConnection("", "x"); });
    EXPECT_EQ(n, hr::kCouldNotAccess);
    EXPECT_NE(text.find("quickbooks:desktop"), std::string::npos);

    if (saved)
        setenv("ZENTREL_QUICKBOOKS", saved->c_str(), 1);
    else
        unsetenv("ZENTREL_QUICKBOOKS");
}
