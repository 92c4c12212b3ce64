// How the service's failures reach the program, each with its own message, and what it
// does for a Web Connector that went away or a guesser: the Web Connector's calls made
// directly, as in service_test.
#include <gtest/gtest.h>

#include <unistd.h>

#include <atomic>
#include <fstream>
#include <future>
#include <mutex>
#include <thread>

#include "bridge_fixture.h"
#include "platform/request_processor.h"
#include "qbwc/bridge_log.h"
#include "qbwc/local_socket_server.h"
#include "qbwc/password_hash.h"
#include "qbwc/service_client.h"
#include "qbwc/web_connector_service.h"
#include "tests/support/vb_error_number.h"

using namespace ztl;
using namespace ztl::qbwc;
using namespace std::chrono_literals;

namespace {

constexpr const char* kCompany = "C:\\Books\\Shop.QBW";

std::string hostQueryAnswer(const std::string& country, const std::vector<std::string>& versions) {
    std::string ret = "<HostRet><ProductName>QuickBooks Pro 2014</ProductName>";
    for (const auto& v : versions) ret += "<SupportedQBXMLVersion>" + v + "</SupportedQBXMLVersion>";
    if (!country.empty()) ret += "<Country>" + country + "</Country>";
    return "<?xml version=\"1.0\" ?><QBXML><QBXMLMsgsRs><HostQueryRs statusCode=\"0\">" + ret +
           "</HostRet></HostQueryRs></QBXMLMsgsRs></QBXML>";
}

// The operator's side of a wait: counts the calls, cancels once told to.
struct OperatorWait : QuickBooksWait {
    std::atomic<int> calls{0};
    std::atomic<bool> cancel{false};
    std::atomic<int> dones{0};
    std::mutex mutex;
    std::string lastWhat;
    bool waiting(const std::string& what, std::chrono::milliseconds) override {
        ++calls;
        std::lock_guard lock(mutex);
        lastWhat = what;
        return !cancel;
    }
    void done() override { ++dones; }
};

struct Failures : ::testing::Test {
    std::mutex notesMutex;
    std::vector<std::string> notes;
    ServiceTimings timings = test::shortTimings(3000ms);
    std::unique_ptr<WebConnectorService> service;

    void SetUp() override { make(timings); }
    void make(ServiceTimings t) {
        service = std::make_unique<WebConnectorService>(Credentials{test::kUser, test::testPasswordHash()}, t,
                                                        [this](const std::string& n) {
                                                            std::lock_guard lock(notesMutex);
                                                            notes.push_back(n);
                                                        });
    }
    bool noted(const std::string& part) {
        std::lock_guard lock(notesMutex);
        for (const auto& n : notes)
            if (n.find(part) != std::string::npos) return true;
        return false;
    }
    std::string wantedTicket() {
        for (int i = 0; i < 400; ++i) {
            auto a = service->authenticate(test::kUser, test::kPassword, "127.0.0.1").strings;
            if (a.at(1).empty()) return a[0];
            std::this_thread::sleep_for(5ms);
        }
        ADD_FAILURE() << "no connection asked for a session";
        return {};
    }
};

VbError errorOf(std::future<std::string>& f) {
    try {
        f.get();
    } catch (const VbError& e) {
        return e;
    }
    return VbError(0, "", "no error");
}

template <class Call>
VbError errorOf(Call call) {
    try {
        call();
    } catch (const VbError& e) {
        return e;
    }
    return VbError(0, "", "no error");
}

}  // namespace

TEST_F(Failures, AWrongPasswordFailsTheWaitAtOnceAndIsSlowedPerAddress) {
    auto opened = std::async(std::launch::async, [&] { return service->openConnection(); });
    std::this_thread::sleep_for(50ms);
    auto start = std::chrono::steady_clock::now();
    AuthenticateAnswer bad = service->authenticate(test::kUser, "guess", "198.51.100.7");
    EXPECT_EQ(bad.strings.at(1), "nvu");
    EXPECT_GE(bad.delay, 900ms) << "the refusal is answered late";
    VbError e = errorOf(opened);
    EXPECT_LT(std::chrono::steady_clock::now() - start, 1000ms) << "not after the whole wait";
    EXPECT_EQ(e.number, hresult::kCouldNotStart);
    EXPECT_NE(
        e.description.find("the Web Connector's password is not the one set with `ztl qbwc set-password`"),
        std::string::npos)
        << e.description;
    EXPECT_TRUE(noted("authenticate from 198.51.100.7 as \"clerk\": refused (wrong password): type the password "
                      "set with ztl qbwc set-password into the Web Connector's Password column"));

    // The same address is refused unchecked for a while, the right password too; another
    // address is not held up.
    AuthenticateAnswer again = service->authenticate(test::kUser, test::kPassword, "198.51.100.7");
    EXPECT_EQ(again.strings.at(1), "nvu");
    EXPECT_GT(again.delay, 0ms);
    AuthenticateAnswer other = service->authenticate(test::kUser, test::kPassword, "198.51.100.8");
    EXPECT_EQ(other.strings.at(1), "none");
    EXPECT_EQ(other.delay, 0ms);

    // A wrong user name says so.
    auto opened2 = std::async(std::launch::async, [&] { return service->openConnection(); });
    std::this_thread::sleep_for(50ms);
    service->authenticate("Clerk", test::kPassword, "198.51.100.9");
    EXPECT_NE(errorOf(opened2).description.find("as the user \"Clerk\", not \"clerk\""), std::string::npos);
}

TEST(BridgeLogFile, OneLinePerEventOwnerOnlyWhateverAClientSent) {
    test::TempFolder dir;
    std::filesystem::path file = dir / "qbwc.log";
    {
        std::ofstream made(file);  // made by someone else, readable by all
    }
    std::filesystem::permissions(file, std::filesystem::perms(0644));
    BridgeLog log(file);
    log.write("authenticate as \"x\n2026-01-01 00:00:00 [1] session begins\": refused");
    log.write("second");
    EXPECT_EQ(std::filesystem::status(file).permissions(), std::filesystem::perms(0600));
    std::ifstream in(file);
    std::vector<std::string> lines;
    for (std::string l; std::getline(in, l);) lines.push_back(l);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_NE(lines[0].find("x?2026-01-01"), std::string::npos) << lines[0];
    EXPECT_TRUE(lines[1].ends_with("] second"));
}

TEST_F(Failures, QuickBooksThatCannotTakeQbxml10UsIsSaidSo) {
    struct Case {
        const char* what;
        std::string hcp, country;
        bool refused;
    };
    const Case cases[] = {
        {"a US QuickBooks that takes 1.0", hostQueryAnswer("US", {"1.0", "2.0", "13.0"}), "US", false},
        {"no host query answer", "", "", false},
        {"a Canadian QuickBooks", hostQueryAnswer("CA", {"1.0", "13.0"}), "CA", true},
        {"no 1.0 any more", hostQueryAnswer("US", {"2.0", "13.0"}), "US", true},
        {"the parameter alone says UK", "", "UK", true},
    };
    for (const Case& c : cases) {
        make(timings);
        auto opened = std::async(std::launch::async, [&] { return service->openConnection(); });
        std::string t = wantedTicket();
        EXPECT_EQ(service->sendRequestXML(t, kCompany, c.hcp, c.country), "") << c.what;
        if (!c.refused) {
            EXPECT_EQ(opened.get(), kCompany) << c.what;
            service->releaseConnection();
            continue;
        }
        VbError e = errorOf(opened);
        EXPECT_EQ(e.number, kUnsupportedVersion) << c.what;
        EXPECT_NE(e.description.find("Zentrel's requests are qbXML 1.0 for a US QuickBooks"),
                  std::string::npos)
            << c.what << ": " << e.description;
        EXPECT_EQ(service->getLastError(t), e.description) << "the Web Connector shows it too";
        EXPECT_EQ(service->closeConnection(t), "OK");
    }
}

TEST_F(Failures, AVanishedWebConnectorsSessionGivesWayOnceItsLastCallHasEnded) {
    ServiceTimings t = timings;
    t.hold = 600ms;
    make(t);
    auto opened = std::async(std::launch::async, [&] { return service->openConnection(); });
    std::string first = wantedTicket();
    EXPECT_EQ(service->sendRequestXML(first, kCompany), "");
    opened.get();
    // A call of the session is held: the Web Connector is there.
    auto held = std::async(std::launch::async, [&] { return service->sendRequestXML(first, kCompany); });
    std::this_thread::sleep_for(100ms);
    EXPECT_EQ(service->authenticate(test::kUser, test::kPassword, "127.0.0.1").strings.at(1), "busy");
    EXPECT_EQ(held.get(), "");
    // Its client never calls again: the next authenticate is served.
    std::string second = service->authenticate(test::kUser, test::kPassword, "127.0.0.1").strings.at(0);
    EXPECT_THROW(service->getLastError(first), LostTraffic) << "the old session is gone";
    EXPECT_EQ(service->sendRequestXML(second, kCompany), "");
    EXPECT_TRUE(noted("its Web Connector went away; a new session replaced it"));

    // A request handed out to a client that vanished, with its answer not yet late.
    ServiceTimings longWait = t;
    longWait.timeout = 60s;
    make(longWait);
    auto opened2 = std::async(std::launch::async, [&] { return service->openConnection(); });
    std::string third = wantedTicket();
    service->sendRequestXML(third, kCompany);
    opened2.get();
    const std::string entry =
        "<QBXML><QBXMLMsgsRq><JournalEntryAddRq><JournalEntryAdd><TxnDate>2026-12-05</TxnDate>"
        "<RefNumber>004711</RefNumber></JournalEntryAdd></JournalEntryAddRq></QBXMLMsgsRq></QBXML>";
    auto lost = std::async(std::launch::async, [&] { return service->submit(entry, ""); });
    EXPECT_EQ(service->sendRequestXML(third, kCompany), entry);
    // Its Web Connector comes back with a new session: that answer will never come. The
    // program learns so at once, and the new session serves it.
    std::vector<std::string> fourth = service->authenticate(test::kUser, test::kPassword, "127.0.0.1").strings;
    EXPECT_EQ(fourth.at(1), "") << "a session begins for the program still connected";
    VbError e = errorOf(lost);
    EXPECT_EQ(e.number, hresult::kCouldNotAccess);
    EXPECT_NE(e.description.find("look in QuickBooks whether the entry was posted"), std::string::npos);
    EXPECT_TRUE(
        noted("no answer came for JournalEntryAddRq RefNumber 004711, TxnDate 2026-12-05, handed out at"));
    // An answer that still comes for the old ticket is written down and changes nothing.
    EXPECT_THROW(service->receiveResponseXML(third,
                                             "<QBXML><QBXMLMsgsRs><JournalEntryAddRs statusCode=\"0\"><JournalEntryRet>"
                                             "<TxnID>1F-1765141503</TxnID><TxnDate>2026-12-05</TxnDate>"
                                             "<RefNumber>004711</RefNumber></JournalEntryRet></JournalEntryAddRs>"
                                             "</QBXMLMsgsRs></QBXML>",
                                             "", ""),
                 LostTraffic);
    EXPECT_TRUE(noted("a late answer came for JournalEntryAddRq RefNumber 004711"));
    EXPECT_TRUE(noted("TxnID 1F-1765141503, RefNumber 004711, TxnDate 2026-12-05"));
    EXPECT_EQ(service->sendRequestXML(fourth[0], kCompany), "");
    auto next = std::async(std::launch::async, [&] { return service->submit("<QBXML>next</QBXML>", ""); });
    EXPECT_EQ(service->sendRequestXML(fourth[0], kCompany), "<QBXML>next</QBXML>");
    service->receiveResponseXML(fourth[0], "<QBXML>answered</QBXML>", "", "");
    EXPECT_EQ(next.get(), "<QBXML>answered</QBXML>");
    service->releaseConnection();
}

TEST(PasswordCheck, AWebConnectorCallingAgainCostsOneSlowCheckNotOneACall) {
    std::atomic<int> slowChecks{0};
    auto counted = [&](const std::string& password, const std::string& stored) {
        ++slowChecks;
        return verifyPassword(password, stored);
    };
    WebConnectorService service({test::kUser, test::testPasswordHash()}, test::shortTimings(), {}, counted);
    // No program waits: every call is told "none", and calls again on its schedule.
    for (int call = 0; call < 10; ++call)
        EXPECT_EQ(service.authenticate(test::kUser, test::kPassword, "127.0.0.1").strings.at(1), "none");
    EXPECT_EQ(slowChecks, 1);
    // Another password is checked the slow way, every time, and refused.
    EXPECT_EQ(service.authenticate(test::kUser, "guess", "198.51.100.1").strings.at(1), "nvu");
    EXPECT_EQ(service.authenticate(test::kUser, "guess", "198.51.100.2").strings.at(1), "nvu");
    EXPECT_EQ(slowChecks, 3);
    EXPECT_EQ(service.authenticate(test::kUser, test::kPassword, "127.0.0.1").strings.at(1), "none");
    EXPECT_EQ(slowChecks, 3) << "the password that passed is still known";
    // A new password: the one that passed before no longer does, and the new one is checked once.
    service.reload({test::kUser, hashPassword("new pass", 1000)}, 1s);
    EXPECT_EQ(service.authenticate(test::kUser, test::kPassword, "127.0.0.1").strings.at(1), "nvu");
    EXPECT_EQ(slowChecks, 4);
    for (int call = 0; call < 3; ++call)
        EXPECT_EQ(service.authenticate(test::kUser, "new pass", "127.0.0.2").strings.at(1), "none");
    EXPECT_EQ(slowChecks, 5);
}

TEST_F(Failures, AProgramsOwnWaitOutlastsTheServicesThroughTheLocalSocket) {
    ServiceTimings t = timings;
    t.timeout = 100ms;  // the service's own wait: far too short for the Web Connector below
    make(t);
    // A folder of the test's own: the server makes the folder it creates owner-only.
    const std::filesystem::path folder = "/tmp/ztl-wait-" + std::to_string(::getpid());
    struct Gone {
        std::filesystem::path f;
        ~Gone() { std::filesystem::remove_all(f); }
    } gone{folder};
    const std::filesystem::path socket = folder / "s.sock";
    LocalSocketServer local(*service, socket, {});
    local.start();

    ServiceClientProcessor hurried(socket.string(), nullptr);
    EXPECT_EQ(errorOf([&] { hurried.OpenConnection("", "Korvane Zentrel   "); }).number, hresult::kCouldNotStart)
        << "without a wait of its own, the service's";

    // A program that waits until the morning: the Web Connector calls later than the
    // service's time, and takes the request later than it too.
    ServiceClientProcessor patient(socket.string(), nullptr, std::chrono::seconds(60));
    auto opened = std::async(std::launch::async, [&] { patient.OpenConnection("", "Korvane Zentrel   "); });
    std::this_thread::sleep_for(400ms);
    std::string ticket = wantedTicket();
    EXPECT_EQ(service->sendRequestXML(ticket, kCompany), "");
    opened.get();
    std::string session = patient.BeginSession("", kOpenModeDoNotCare);
    auto answered = std::async(std::launch::async, [&] { return patient.ProcessRequest(session, "<QBXML>q</QBXML>"); });
    std::this_thread::sleep_for(400ms);
    EXPECT_EQ(service->sendRequestXML(ticket, kCompany), "<QBXML>q</QBXML>");
    service->receiveResponseXML(ticket, "<QBXML>a</QBXML>", "", "");
    EXPECT_EQ(answered.get(), "<QBXML>a</QBXML>");
    patient.EndSession(session);
    patient.CloseConnection();
    local.stop();
}

TEST_F(Failures, CancelWithdrawsAQueuedRequestButNeverOneHandedOut) {
    OperatorWait wait;
    auto opening = std::async(std::launch::async, [&] { return service->openConnection(&wait); });
    while (wait.calls < 3) std::this_thread::sleep_for(5ms);
    wait.cancel = true;
    VbError e = errorOf(opening);
    EXPECT_EQ(e.number, hresult::kCouldNotStart);
    EXPECT_NE(e.description.find("cancelled"), std::string::npos);
    EXPECT_EQ(service->authenticate(test::kUser, test::kPassword, "127.0.0.1").strings.at(1), "none")
        << "the cancelled connection keeps nothing open";

    wait.cancel = false;
    auto opened = std::async(std::launch::async, [&] { return service->openConnection(&wait); });
    std::string t = wantedTicket();
    service->sendRequestXML(t, kCompany);
    opened.get();
    auto queued =
        std::async(std::launch::async, [&] { return service->submit("<QBXML>q</QBXML>", "", &wait); });
    int before = wait.calls;
    while (wait.calls < before + 3) std::this_thread::sleep_for(5ms);
    EXPECT_EQ(wait.lastWhat, "Waiting for the Web Connector to take the request");
    wait.cancel = true;
    EXPECT_NE(errorOf(queued).description.find("nothing was sent"), std::string::npos);
    EXPECT_EQ(service->sendRequestXML(t, kCompany), "") << "the withdrawn request is never handed out";

    // Handed out: Cancel changes nothing, the answer is waited for.
    auto sent =
        std::async(std::launch::async, [&] { return service->submit("<QBXML>s</QBXML>", "", &wait); });
    EXPECT_EQ(service->sendRequestXML(t, kCompany), "<QBXML>s</QBXML>");
    before = wait.calls;
    while (wait.calls < before + 3) std::this_thread::sleep_for(5ms);
    service->receiveResponseXML(t, "<QBXML>answer</QBXML>", "", "");
    EXPECT_EQ(sent.get(), "<QBXML>answer</QBXML>");
    service->releaseConnection();
}
