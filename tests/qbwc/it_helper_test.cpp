// What the IT helper meets around the protocol: a bridge that answers every call before it
// ends, settings taken while serving, the Web Connector's failure codes explained, idle calls
// counted rather than logged one by one, PEM files checked, a log of bounded size.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <mutex>
#include <future>
#include <thread>

#include "bridge_fixture.h"
#include "qbsim/sim_request_processor.h"
#include "qbwc/bridge_log.h"
#include "qbwc/connection_error_causes.h"
#include "qbwc/local_channel.h"
#include "qbwc/password_hash.h"
#include "qbwc/pem_file.h"
#include "qbwc/service_status.h"
#include "qbwc/web_connector_service.h"
#include "tests/support/shell_command.h"
#include "web_connector_player.h"

using namespace ztl;
using namespace ztl::qbwc;
using namespace std::chrono_literals;
namespace fs = std::filesystem;

namespace {

std::vector<std::string> authenticateAt(int port, const std::string& password) {
    test::WebConnectorPlayer::Options o;
    o.port = port;
    o.password = password;
    test::WebConnectorPlayer player(o, nullptr);
    return player.call("authenticate", {{"strUserName", test::kUser}, {"strPassword", password}}).results;
}

}  // namespace

TEST(BridgeEnd, ARefusedPasswordIsAnsweredNvuEvenWhenTheProgramEndsAtOnce) {
    auto factory = std::make_unique<WebConnectorFactory>(test::testBridgeConfig(test::shortTimings(5s)));
    ASSERT_EQ(factory->startError(), "");
    const int port = factory->port();
    // The first refusal from an address is held back a second; the program ends meanwhile.
    auto answer = std::async(std::launch::async, [port] { return authenticateAt(port, "wrong"); });
    auto qb = factory->create();
    EXPECT_THROW(qb->OpenConnection("", "Korvane Zentrel"), VbError);
    qb.reset();
    auto ended = std::chrono::steady_clock::now();
    factory.reset();
    EXPECT_LT(std::chrono::steady_clock::now() - ended, 2s) << "no session to wait for";
    auto strings = answer.get();
    ASSERT_EQ(strings.size(), 2u) << "the answer came, not a closed connection";
    EXPECT_EQ(strings[1], "nvu");
}

TEST(BridgeEnd, TheCloseConnectionAfterTheLastAnswerIsAnsweredBeforeTheBridgeStops) {
    test::TempFolder dir;
    test::createSampleCompany(dir / "shop.qbw");
    for (int round = 0; round < 3; ++round) {
        auto factory = std::make_unique<WebConnectorFactory>(test::testBridgeConfig(test::shortTimings(5s)));
        test::WebConnectorPlayer::Options o;
        o.port = factory->port();
        test::WebConnectorPlayer player(o, std::make_shared<qbsim::SimRequestProcessor>(dir / "shop.qbw"));
        player.start();
        auto qb = factory->create();
        qb->OpenConnection("", "Korvane Zentrel");
        std::string ticket = qb->BeginSession("", kOpenModeDoNotCare);
        qb->ProcessRequest(ticket,
                           "<?xml version=\"1.0\" ?>\r\n<!DOCTYPE QBXML PUBLIC '-//INTUIT//DTD QBXML QBD 1.0//EN'>"
                           "\r\n<QBXML>\r\n<QBXMLMsgsRq onError=\"stopOnError\">\r\n<AccountQueryRq requestID=\"1\" "
                           "/>\r\n</QBXMLMsgsRq>\r\n</QBXML>\r\n");
        qb->EndSession(ticket);
        qb->CloseConnection();
        qb.reset();
        factory.reset();  // at once, as a program that has done its work
        player.stop();
        auto lines = player.transcript();
        ASSERT_FALSE(lines.empty());
        auto close = std::find_if(lines.begin(), lines.end(),
                                  [](const std::string& l) { return l.starts_with("closeConnection -> "); });
        ASSERT_NE(close, lines.end()) << "round " << round;
        EXPECT_EQ(*close, "closeConnection -> OK") << "round " << round;
    }
}

TEST(ServiceSettings, ANewPasswordAndUserAreTakenForTheNextSessionAndARefusedAddressIsForgiven) {
    WebConnectorService service{{test::kUser, test::testPasswordHash()}, test::shortTimings()};
    EXPECT_EQ(service.authenticate(test::kUser, "new password", "192.0.2.1").strings.at(1), "nvu");
    service.reload({"bookkeeper", hashPassword("new password", 1000)}, 7s);
    // The address refused a moment ago is not made to wait: the password is new.
    auto fresh = service.authenticate("bookkeeper", "new password", "192.0.2.1");
    EXPECT_EQ(fresh.strings.at(1), "none");
    EXPECT_EQ(fresh.delay.count(), 0);
    EXPECT_EQ(service.authenticate(test::kUser, test::kPassword, "192.0.2.2").strings.at(1), "nvu");
    EXPECT_EQ(service.authenticate("bookkeeper", test::kPassword, "192.0.2.3").strings.at(1), "nvu");
}

TEST(ServiceLog, IdleCallsAreCountedInOneLineWhenSomethingElseHappens) {
    std::vector<std::string> notes;
    std::mutex m;
    WebConnectorService service{{test::kUser, test::testPasswordHash()}, test::shortTimings(),
                                [&](const std::string& n) {
                                    std::lock_guard lock(m);
                                    notes.push_back(n);
                                }};
    for (int i = 0; i < 5; ++i) EXPECT_EQ(service.authenticate(test::kUser, test::kPassword).at(1), "none");
    ASSERT_EQ(notes.size(), 1u) << "the first idle call only";
    EXPECT_EQ(notes[0], "authenticate: nothing to do (none)");
    ServiceStatus status = service.status();
    EXPECT_EQ(status.idleCalls, 5u);
    EXPECT_EQ(status.lastEvent, "authenticate: nothing to do (none)");
    EXPECT_EQ(service.authenticate(test::kUser, "wrong").at(1), "nvu");
    ASSERT_EQ(notes.size(), 3u);
    EXPECT_TRUE(notes[1].starts_with("4 idle calls since ")) << notes[1];
    EXPECT_NE(notes[1].find("nothing was to be posted"), std::string::npos);
    EXPECT_EQ(notes[2], "authenticate as \"clerk\": refused (wrong password): type the password set with ztl "
                        "qbwc set-password into the Web Connector's Password column");
    EXPECT_EQ(service.status().lastEvent, notes[2]) << "what the status and the console show, with its step";
    EXPECT_EQ(service.authenticate("bookkeeper", test::kPassword, "192.0.2.8").strings.at(1), "nvu");
    EXPECT_EQ(service.status().lastEvent, "authenticate from 192.0.2.8 as \"bookkeeper\": refused (unknown user "
                                          "name): add the .qwc file ztl qbwc file writes to the Web Connector again");
    EXPECT_EQ(service.status().idleCalls, 0u);
    // Idle again: the first is logged once more, as the start of a new count.
    EXPECT_EQ(service.authenticate(test::kUser, test::kPassword, "192.0.2.9").strings.at(1), "none");
    EXPECT_EQ(notes.size(), 5u);
}

TEST(ServiceStatusText, TravelsWholeAndReadsAsTheHelperNeedsIt) {
    ServiceStatus s;
    s.url = "https://zentrel.shop.example:8443/qbwc";
    s.startedAt = std::chrono::system_clock::now() - 1h;
    s.everHeard = true;
    s.lastHeard = std::chrono::system_clock::now();
    s.lastEvent = "authenticate from 192.0.2.7: nothing to do (none)";
    s.lastEventAt = s.lastHeard;
    s.company = "C:\\Users\\Public\\Shop.QBW";
    s.waiting = 2;
    s.programs = 1;
    s.idleCalls = 12;
    s.idleSince = s.startedAt;
    StatusFields f = decodeStatus(encodeStatus(s, "qbwc:127.0.0.1:8080", true));
    EXPECT_EQ(f["QuickBooks"], "qbwc:127.0.0.1:8080");
    EXPECT_EQ(f["Company"], "C:\\Users\\Public\\Shop.QBW");
    std::string text = describeStatus(f);
    for (const char* part :
         {"runs for qbwc:127.0.0.1:8080", "calls: https://zentrel.shop.example:8443/qbwc", "Password: set",
          "Last call of the Web Connector: ", "Last event: ", "nothing to do (none)", "12 idle calls since", "last reported: C:\\Users\\Public\\Shop.QBW",
          "programs connected: 1; requests waiting: 2"})
        EXPECT_NE(text.find(part), std::string::npos) << part << "\n" << text;
    ServiceStatus quiet;
    quiet.startedAt = std::chrono::system_clock::now();
    std::string never = describeStatus(decodeStatus(encodeStatus(quiet, "qbwc:localhost:8080", false)));
    EXPECT_NE(never.find("Last call of the Web Connector: none since the service started"), std::string::npos)
        << never;
    EXPECT_EQ(never.find("Last event"), std::string::npos) << never;
    EXPECT_NE(never.find("Password: not set (ztl qbwc set-password)"), std::string::npos) << never;
    EXPECT_EQ(never.find("has not called"), std::string::npos) << "a service just started is not warned of";

    // Hours of silence are said with the step on the PC, as the console says them.
    quiet.startedAt = std::chrono::system_clock::now() - 13h;
    std::string silent = describeStatus(decodeStatus(encodeStatus(quiet, "qbwc:localhost:8080", true)));
    EXPECT_NE(silent.find("The Web Connector has not called since the service started, more than 12 hours ago."),
              std::string::npos)
        << silent;
    EXPECT_NE(silent.find("Auto-Run"), std::string::npos) << silent;
    s.lastHeard = std::chrono::system_clock::now() - 25h;
    std::string lapsed = describeStatus(decodeStatus(encodeStatus(s, "qbwc:127.0.0.1:8080", true)));
    EXPECT_NE(lapsed.find("The Web Connector has not called for more than 24 hours."), std::string::npos) << lapsed;
}

TEST(ConnectionErrors, EachKnownCodeNamesQuickBooksOnThePcAndTheStepThere) {
    struct Case {
        long code;
        const char* cause;
        const char* step;
    };
    for (const Case& c : {Case{-2147220472, "could not be started", "open QuickBooks with the company file"},
                          Case{-2147220470, "another company file open", "open the right one"},
                          Case{-2147220458, "is not running", "start QuickBooks"},
                          Case{-2147220454, "does not allow Zentrel", "Integrated Applications"},
                          Case{-2147220448, "access was denied", "log in automatically"},
                          Case{-2147220446, "single-user mode", "multi-user mode"},
                          Case{-2147220445, "cannot take Zentrel's requests", "US edition"}}) {
        std::string text = connectionErrorExplained(c.code, "QuickBooks' own words.");
        EXPECT_TRUE(text.starts_with("QuickBooks on the bookkeeper's PC ")) << text;
        EXPECT_NE(text.find(c.cause), std::string::npos) << text;
        EXPECT_NE(text.find(c.step), std::string::npos) << text;
        EXPECT_NE(text.find(hexCode(c.code) + " \"QuickBooks' own words.\""), std::string::npos) << text;
        EXPECT_TRUE(text.ends_with("then click Update Selected in the Web Connector.")) << text;
    }
    EXPECT_EQ(hexCode(-2147220472), "0x80040408");
    std::string unknown = connectionErrorExplained(-2147467259, "");
    EXPECT_NE(unknown.find("could not open QuickBooks on the bookkeeper's PC (it reported 0x80004005)"),
              std::string::npos)
        << unknown;
}

TEST(ServiceSocket, TheLoopbackNamesOfOnePortAreOneService) {
    ::setenv("XDG_RUNTIME_DIR", "/tmp/ztl-runtime-test", 1);
    auto path = serviceSocketPath({"127.0.0.1", 8080});
    EXPECT_EQ(serviceSocketPath({"localhost", 8080}), path);
    EXPECT_EQ(serviceSocketPath({"::1", 8080}), path);
    EXPECT_NE(serviceSocketPath({"127.0.0.1", 8081}), path);
    EXPECT_NE(serviceSocketPath({"0.0.0.0", 8080}), path);
}

TEST(CertificateFiles, ANonPemFileIsNamedWhenSet) {
    test::TempFolder dir;
    test::writeSelfSignedCertificate(dir / "cert.pem", dir / "key.pem");
    test::writeSelfSignedCertificate(dir / "other.pem", dir / "otherkey.pem");
    std::ofstream(dir / "cert.der") << "0\x82\x03\x1f not PEM";
    EXPECT_EQ(pemFileRefusal((dir / "cert.pem").string(), "certificate"), std::nullopt);
    EXPECT_EQ(pemFileRefusal((dir / "key.pem").string(), "key"), std::nullopt);
    auto notPem = pemFileRefusal((dir / "cert.der").string(), "certificate");
    ASSERT_TRUE(notPem);
    EXPECT_EQ(notPem->rfind((dir / "cert.der").string() + " is not a PEM certificate", 0), 0u) << *notPem;
    auto certAsKey = pemFileRefusal((dir / "cert.pem").string(), "key");
    ASSERT_TRUE(certAsKey);
    EXPECT_NE(certAsKey->find("is not a PEM private key"), std::string::npos);
    EXPECT_TRUE(pemFileRefusal((dir / "missing.pem").string(), "certificate"));
    EXPECT_EQ(pemPairRefusal((dir / "cert.pem").string(), (dir / "key.pem").string()), std::nullopt);
    EXPECT_TRUE(pemPairRefusal((dir / "cert.pem").string(), (dir / "otherkey.pem").string()));
}

TEST(BridgeLogFile, IsRotatedAtItsBoundAndKeepsTheLatestLines) {
    test::TempFolder dir;
    BridgeLog log(dir / "qbwc.log", 400);
    for (int i = 0; i < 30; ++i) log.write("line " + std::to_string(i) + " of the bridge's log");
    EXPECT_LE(fs::file_size(dir / "qbwc.log"), 400u);
    EXPECT_LE(fs::file_size(dir / "qbwc.log.1"), 400u);
    std::string latest = ztl::testsupport::slurp(dir / "qbwc.log");
    EXPECT_NE(latest.find("line 29 of"), std::string::npos);
    EXPECT_FALSE(fs::exists(dir / "qbwc.log.2"));
}
