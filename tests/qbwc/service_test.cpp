// The Web Connector session as the service keeps it: tickets, call order, time-outs and the
// errors the program sees. The Web Connector's calls are made directly here; the HTTP side
// is bridge_test's.
#include <gtest/gtest.h>

#include <functional>
#include <future>
#include <thread>

#include "bridge_fixture.h"
#include "platform/request_processor.h"
#include "qbwc/web_connector_service.h"
#include "tests/support/vb_error_number.h"

using namespace ztl;
using namespace ztl::qbwc;
using namespace std::chrono_literals;

namespace {

constexpr const char* kCompany = "C:\\Users\\Public\\Documents\\Intuit\\QuickBooks\\Shop.QBW";
constexpr const char* kParseText = "QuickBooks found an error when parsing the provided XML text stream.";

struct ServiceTest : ::testing::Test {
    WebConnectorService service{{test::kUser, test::testPasswordHash()}, test::shortTimings(600ms)};

    std::vector<std::string> authenticate() { return service.authenticate(test::kUser, test::kPassword); }

    // A connection of the program, waiting on a thread of its own until a session comes.
    std::future<std::string> openInBackground() {
        auto opened = std::async(std::launch::async, [this] { return service.openConnection(); });
        return opened;
    }

    // The ticket of a session authenticate begins once a connection waits for one.
    std::string ticketWhenWanted() {
        for (int tries = 0; tries < 200; ++tries) {
            auto answer = authenticate();
            if (answer.at(1) == "") return answer[0];
            std::this_thread::sleep_for(5ms);
        }
        ADD_FAILURE() << "the connection never asked for a session";
        return {};
    }

    // A session begun for a waiting connection, its company named: its ticket.
    std::string beginSession(std::future<std::string>& opened) {
        std::string ticket = ticketWhenWanted();
        EXPECT_EQ(service.sendRequestXML(ticket, kCompany), "") << "nothing to send yet";
        EXPECT_EQ(opened.get(), kCompany);
        return ticket;
    }
};

}  // namespace

TEST_F(ServiceTest, AuthenticateRefusesStrangersAndHasNothingForAnIdleProgram) {
    struct Case {
        const char* user;
        const char* password;
        const char* answer;
    };
    int address = 0;
    for (const Case& c :
         {Case{"clerk", "wrong", "nvu"}, Case{"Clerk", test::kPassword, "nvu"}, Case{"", "", "nvu"},
          Case{"clerk", "", "nvu"}, Case{"clerk", test::kPassword, "none"}}) {
        // Each from an address of its own: a refusal slows down the next try from the same one.
        auto answer =
            service.authenticate(c.user, c.password, "192.0.2." + std::to_string(++address)).strings;
        ASSERT_EQ(answer.size(), 2u);
        EXPECT_EQ(answer[1], c.answer) << c.user << "/" << c.password;
        EXPECT_EQ(answer[0].size(), 32u);
        // The refused ticket opens nothing; the Web Connector may only ask why and close it.
        EXPECT_THROW(service.sendRequestXML(answer[0], kCompany), LostTraffic);
        EXPECT_FALSE(service.getLastError(answer[0]).empty());
        EXPECT_EQ(service.closeConnection(answer[0]), "OK");
        EXPECT_THROW(service.closeConnection(answer[0]), LostTraffic);
    }
    WebConnectorService nobodySet{{"", ""}, test::shortTimings()};
    EXPECT_EQ(nobodySet.authenticate("", "").at(1), "nvu");
}

TEST_F(ServiceTest, CallsWithAnUnknownOrFinishedTicketAreRefusedAndChangeNothing) {
    auto opened = openInBackground();
    std::string ticket = beginSession(opened);
    const std::vector<std::pair<const char*, std::function<void(const std::string&)>>> calls = {
        {"sendRequestXML", [&](const std::string& t) { service.sendRequestXML(t, kCompany); }},
        {"receiveResponseXML",
         [&](const std::string& t) { service.receiveResponseXML(t, "<QBXML/>", "", ""); }},
        {"connectionError", [&](const std::string& t) { service.connectionError(t, "0x80040408", "x"); }},
        {"getLastError", [&](const std::string& t) { service.getLastError(t); }},
        {"closeConnection", [&](const std::string& t) { service.closeConnection(t); }},
    };
    for (const auto& [name, call] : calls) {
        EXPECT_THROW(call("0123456789abcdef0123456789abcdef"), LostTraffic) << name;
        EXPECT_THROW(call(""), LostTraffic) << name;
    }
    EXPECT_EQ(service.companyFile(), kCompany) << "the live session is untouched";

    service.releaseConnection();
    EXPECT_EQ(service.closeConnection(ticket), "OK");
    for (const auto& [name, call] : calls)
        EXPECT_THROW(call(ticket), LostTraffic) << "finished ticket, " << name;
}

TEST_F(ServiceTest, OutOfOrderCallsAreRefusedAndTheRequestIsAnsweredOnce) {
    auto opened = openInBackground();
    const std::string t = ticketWhenWanted();
    EXPECT_THROW(service.receiveResponseXML(t, "<QBXML/>", "", ""), LostTraffic)
        << "connecting: nothing is out";
    EXPECT_THROW(service.getLastError(t), LostTraffic) << "connecting";
    EXPECT_EQ(service.sendRequestXML(t, kCompany), "");
    EXPECT_EQ(opened.get(), kCompany);
    EXPECT_THROW(service.receiveResponseXML(t, "<QBXML/>", "", ""), LostTraffic) << "ready: nothing is out";
    EXPECT_THROW(service.connectionError(t, "0x80040408", "x"), LostTraffic)
        << "ready: QuickBooks was reached";

    auto answered = std::async(std::launch::async, [&] { return service.submit("<QBXML>1</QBXML>", ""); });
    EXPECT_EQ(service.sendRequestXML(t, kCompany), "<QBXML>1</QBXML>");
    EXPECT_THROW(service.sendRequestXML(t, kCompany), LostTraffic) << "working: the answer comes first";
    EXPECT_THROW(service.getLastError(t), LostTraffic) << "working";
    EXPECT_EQ(service.receiveResponseXML(t, "<QBXML>answer</QBXML>", "", ""), kWorkingPercent);
    EXPECT_THROW(service.receiveResponseXML(t, "<QBXML>again</QBXML>", "", ""), LostTraffic)
        << "a repeated answer";
    EXPECT_EQ(answered.get(), "<QBXML>answer</QBXML>");
    service.releaseConnection();
}

TEST_F(ServiceTest, NoWebConnectorMeansCouldNotStartAndAnUnfetchedRequestIsWithdrawn) {
    auto start = std::chrono::steady_clock::now();
    try {
        service.openConnection();
        FAIL() << "opened without a Web Connector";
    } catch (const VbError& e) {
        EXPECT_EQ(e.number, hresult::kCouldNotStart);
        EXPECT_TRUE(
            e.description.starts_with("Could not start QuickBooks. The Web Connector has not called since "))
            << e.description;
        EXPECT_NE(e.description.find("On the bookkeeper's PC: is the Web Connector running, is Auto-Run on, is "
                                     "the PC awake? Click Update Selected there."),
                  std::string::npos)
            << e.description;
    }
    EXPECT_GE(std::chrono::steady_clock::now() - start, 600ms);
    EXPECT_EQ(authenticate().at(1), "none") << "the failed connection keeps nothing open";

    // A request nobody fetched is withdrawn: a Web Connector coming later never sees it.
    EXPECT_EQ(ztl::testsupport::vbErrorNumber([&] { service.submit("<QBXML>late</QBXML>", ""); }),
              hresult::kCouldNotStart);
    auto opened = openInBackground();
    std::string ticket = beginSession(opened);
    EXPECT_EQ(service.sendRequestXML(ticket, kCompany), "");
    EXPECT_EQ(service.getLastError(ticket), kNoOp);
    service.releaseConnection();
}

TEST_F(ServiceTest, QuickBooksErrorsReachTheProgramAsTheSameComErrors) {
    auto opened = openInBackground();
    std::string ticket = beginSession(opened);
    auto refused = std::async(std::launch::async, [&] { service.submit("<QBXML>bad</QBXML>", ""); });
    EXPECT_EQ(service.sendRequestXML(ticket, kCompany), "<QBXML>bad</QBXML>");
    EXPECT_EQ(service.receiveResponseXML(ticket, "", "0x80040400", kParseText), kWorkingPercent);
    try {
        refused.get();
        FAIL() << "the error was lost";
    } catch (const VbError& e) {
        EXPECT_EQ(e.number, hresult::kParseError);
        EXPECT_EQ(e.description, kParseText);
    }

    // A request for another company file is never handed out; the same file in other
    // letter case and slashes is the same file.
    EXPECT_EQ(
        ztl::testsupport::vbErrorNumber([&] { service.submit("<QBXML>other</QBXML>", "C:\\Other.QBW"); }),
        hresult::kCompanyNotOpen);
    auto same = std::async(std::launch::async, [&] {
        return service.submit("<QBXML>same</QBXML>", "c:/users/public/documents/intuit/quickbooks/shop.qbw");
    });
    EXPECT_EQ(service.sendRequestXML(ticket, kCompany), "<QBXML>same</QBXML>");
    service.receiveResponseXML(ticket, "<QBXML>ok</QBXML>", "", "");
    EXPECT_EQ(same.get(), "<QBXML>ok</QBXML>");

    // XML cannot carry a control character: QuickBooks' parser would refuse it, so it is
    // refused here without being sent.
    EXPECT_EQ(
        ztl::testsupport::vbErrorNumber([&] { service.submit(std::string("<QBXML>\x01</QBXML>"), ""); }),
        hresult::kParseError);
    service.releaseConnection();
}

TEST_F(ServiceTest, AConnectionErrorOfTheWebConnectorFailsTheWaitingConnection) {
    auto opened = openInBackground();
    std::string ticket = ticketWhenWanted();
    EXPECT_EQ(service.connectionError(ticket, "0x80040408", "Could not start QuickBooks."), "done");
    try {
        opened.get();
        FAIL() << "opened without QuickBooks";
    } catch (const VbError& e) {
        EXPECT_EQ(e.number, hresult::kCouldNotStart);
        // QuickBooks' own words stay, with what they mean on the PC where QuickBooks runs.
        EXPECT_TRUE(e.description.starts_with("QuickBooks on the bookkeeper's PC could not be started"))
            << e.description;
        EXPECT_NE(e.description.find("0x80040408 \"Could not start QuickBooks.\""), std::string::npos);
    }
    EXPECT_EQ(service.getLastError(ticket), "Could not start QuickBooks.");
    EXPECT_EQ(service.closeConnection(ticket), "OK");
}

TEST_F(ServiceTest, AFailureTheWebConnectorShowsNamesTheConsoleACleanEndDoesNot) {
    service.setConsole("https://shop.example:8443/console/");
    auto opened = openInBackground();
    std::string ticket = ticketWhenWanted();
    EXPECT_EQ(service.connectionError(ticket, "0x80040408", "Could not start QuickBooks."), "done");
    EXPECT_THROW(opened.get(), VbError);
    EXPECT_EQ(service.getLastError(ticket),
              "Could not start QuickBooks; the console at https://shop.example:8443/console/ shows what happened.");
    EXPECT_EQ(service.closeConnection(ticket),
              "Nothing was posted; the console at https://shop.example:8443/console/ shows what happened.");

    auto again = openInBackground();
    ticket = beginSession(again);
    service.releaseConnection();
    EXPECT_NE(service.sendRequestXML(ticket, kCompany).find("<CustomerQueryRq"), std::string::npos);
    EXPECT_EQ(service.receiveResponseXML(ticket, "", "0x80040400", kParseText), 100);
    EXPECT_EQ(service.getLastError(ticket), "Zentrel has nothing more to post.");
    EXPECT_EQ(service.closeConnection(ticket), "OK");
}

TEST_F(ServiceTest, TheSessionLastsWhileTheProgramIsConnectedAndEndsAfterwards) {
    auto opened = openInBackground();
    std::string ticket = beginSession(opened);
    // Connected, nothing to send: keep the Web Connector in the session.
    EXPECT_EQ(service.sendRequestXML(ticket, kCompany), "");
    EXPECT_EQ(service.getLastError(ticket), kNoOp);
    auto answered = std::async(std::launch::async, [&] { return service.submit("<QBXML>1</QBXML>", ""); });
    EXPECT_EQ(service.sendRequestXML(ticket, kCompany), "<QBXML>1</QBXML>");
    EXPECT_EQ(service.receiveResponseXML(ticket, "<QBXML>r</QBXML>", "", ""), kWorkingPercent);
    EXPECT_EQ(answered.get(), "<QBXML>r</QBXML>");

    // Released: after the linger the held call ends the session the clean way, with a
    // read that changes nothing and a 100 to its answer, whatever QuickBooks made of it.
    service.releaseConnection();
    std::string closing = service.sendRequestXML(ticket, kCompany);
    EXPECT_NE(closing.find("<CustomerQueryRq"), std::string::npos) << closing;
    EXPECT_NE(closing.find("QBXML QBD 1.0"), std::string::npos);
    EXPECT_EQ(service.receiveResponseXML(ticket, "", "0x80040400", kParseText), 100);
    EXPECT_EQ(service.closeConnection(ticket), "OK");

    // The same at receiveResponseXML: 100 once nothing is connected.
    auto again = openInBackground();
    ticket = beginSession(again);
    auto last = std::async(std::launch::async, [&] {
        std::string r = service.submit("<QBXML>2</QBXML>", "");
        service.releaseConnection();
        return r;
    });
    EXPECT_EQ(service.sendRequestXML(ticket, kCompany), "<QBXML>2</QBXML>");
    EXPECT_EQ(service.receiveResponseXML(ticket, "<QBXML>r2</QBXML>", "", ""), 100);
    EXPECT_EQ(last.get(), "<QBXML>r2</QBXML>");
    EXPECT_EQ(service.closeConnection(ticket), "OK");
}

TEST_F(ServiceTest, AnAnswerThatNeverComesIsReportedAsPossiblyPosted) {
    auto opened = openInBackground();
    std::string ticket = beginSession(opened);
    auto lost = std::async(std::launch::async, [&] { service.submit("<QBXML>je</QBXML>", ""); });
    EXPECT_EQ(service.sendRequestXML(ticket, kCompany), "<QBXML>je</QBXML>");
    try {
        lost.get();
        FAIL() << "no answer, yet no error";
    } catch (const VbError& e) {
        EXPECT_EQ(e.number, hresult::kCouldNotAccess);
        EXPECT_NE(e.description.find("whether the entry was posted"), std::string::npos) << e.description;
    }
    // The late answer is taken in order and dropped; the session goes on.
    EXPECT_EQ(service.receiveResponseXML(ticket, "<QBXML>late</QBXML>", "", ""), kWorkingPercent);
    service.releaseConnection();
}

TEST(ComError, TheWebConnectorsHresultTextAsTheSignedNumber) {
    struct Case {
        const char* text;
        long number;
    };
    for (const Case& c :
         {Case{"0x80040400", -2147220480}, Case{"0X8004040a", -2147220470}, Case{"80040408", -2147220472},
          Case{" 0x80040401 ", -2147220479}, Case{"-2147220480", -2147220480}, Case{"0x1", 1},
          Case{"", -2147467259}, Case{"0x", -2147467259}, Case{"oops", -2147467259},
          Case{"0x1FFFFFFFF", -2147467259}}) {
        VbError e = comErrorFrom(c.text, "message");
        EXPECT_EQ(e.number, c.number) << c.text;
        EXPECT_EQ(e.description, "message");
    }
}
