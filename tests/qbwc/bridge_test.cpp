// The bridge over the loopback: a player in the Web Connector's part with a simulated
// company beside it, and the program's request processors on the other side.
#include <gtest/gtest.h>
#include <httplib.h>

#include "bridge_fixture.h"
#include "engine/import/cls_ztl.h"
#include "engine/company/quickbooks_check.h"
#include "platform/clock.h"
#include "platform/prompter.h"
#include "qbsim/company.h"
#include "qbsim/processor_factory.h"
#include "qbsim/sim_request_processor.h"
#include "tests/support/vb_error_number.h"
#include "web_connector_player.h"

using namespace ztl;
using namespace ztl::qbwc;
using namespace std::chrono_literals;
namespace fs = std::filesystem;

namespace {

const char* kAccountQuery =
    "<?xml version =\"1.0\" ?>\r\n<!DOCTYPE QBXML PUBLIC '-//INTUIT//DTD QBXML QBD 1.0//EN'>\r\n<QBXML>\r\n"
    "    <QBXMLMsgsRq onError=\"stopOnError\">\r\n        <AccountQueryRq requestID=\"1\" >\r\n"
    "        </AccountQueryRq>\r\n    </QBXMLMsgsRq>\r\n</QBXML>\r\n";

std::string journalEntry(const std::string& ref) {
    return "<?xml version =\"1.0\" ?>\r\n<!DOCTYPE QBXML PUBLIC '-//INTUIT//DTD QBXML QBD "
           "1.0//EN'>\r\n<QBXML>\r\n"
           "<QBXMLMsgsRq onError=\"stopOnError\"><JournalEntryAddRq requestID=\"1\"><JournalEntryAdd>"
           "<TxnDate>2026-12-05</TxnDate><RefNumber>" +
           ref +
           "</RefNumber><Memo> Korvane Import </Memo>"
           "<JournalDebitLine><AccountRef><FullName> 1000</FullName></AccountRef><Amount>0000005.00</Amount>"
           "<Memo> Korvane &amp; Sons </Memo></JournalDebitLine>"
           "<JournalCreditLine><AccountRef><FullName> 4000</FullName></AccountRef><Amount>0000005.00</Amount>"
           "<Memo> Korvane Import </Memo></JournalCreditLine>"
           "</JournalEntryAdd></JournalEntryAddRq></QBXMLMsgsRq></QBXML>\r\n";
}

// A program with recording fakes, for the engine's own reports.
struct EngineProgram {
    RecordingPrompter prompter;
    MemorySettingsStore settings;
    FixedClock clock{{2026, 12, 7, 21, 5, 3}};
    Program program;
    EngineProgram(RequestProcessorFactory& factory, const fs::path& install) {
        program.prompter = &prompter;
        program.settings = &settings;
        program.clock = &clock;
        program.processors = &factory;
        program.installFolder = install;
    }
};

class Bridge : public ::testing::Test {
  protected:
    test::TempFolder dir;
    fs::path company = dir / "shop.qbw";

    void SetUp() override { test::createSampleCompany(company); }

    std::shared_ptr<RequestProcessor> quickBooks() {
        return std::make_shared<qbsim::SimRequestProcessor>(company);
    }

    static std::unique_ptr<WebConnectorFactory> bridge(BridgeConfig config) {
        auto f = std::make_unique<WebConnectorFactory>(std::move(config));
        EXPECT_EQ(f->startError(), "");
        return f;
    }

    std::unique_ptr<test::WebConnectorPlayer> player(const WebConnectorFactory& f, bool tls = false,
                                                     const std::string& password = test::kPassword) {
        test::WebConnectorPlayer::Options o;
        o.port = f.port();
        o.tls = tls;
        o.password = password;
        auto p = std::make_unique<test::WebConnectorPlayer>(o, quickBooks());
        p->start();
        return p;
    }

    size_t posted() const { return qbsim::Company::open(company).journal().size(); }
};

}  // namespace

TEST_F(Bridge, RequestsCrossAndComeBackAsTheCompanyAnswersThem) {
    auto factory = bridge(test::testBridgeConfig(test::shortTimings()));
    auto qbwc = player(*factory);
    auto qb = factory->create();

    EXPECT_EQ(ztl::testsupport::vbErrorNumber([&] { qb->BeginSession("", kOpenModeDoNotCare); }),
              hresult::kCouldNotAccess);
    qb->OpenConnection("", "Korvane Zentrel   ");
    std::string ticket = qb->BeginSession("", kOpenModeDoNotCare);
    EXPECT_EQ(qb->GetCurrentCompanyFileName(ticket), qbsim::canonicalCompanyPath(company.string()).string())
        << "the company file of the first sendRequestXML";
    EXPECT_EQ(ztl::testsupport::vbErrorNumber(
                  [&] { qb->BeginSession("C:\\Other\\books.qbw", kOpenModeDoNotCare); }),
              hresult::kCompanyNotOpen);
    EXPECT_EQ(ztl::testsupport::vbErrorNumber([&] { qb->ProcessRequest("no such ticket", kAccountQuery); }),
              hresult::kInvalidTicket);

    auto direct = quickBooks();
    direct->OpenConnection("", "direct");
    std::string directTicket = direct->BeginSession("", kOpenModeDoNotCare);
    EXPECT_EQ(qb->ProcessRequest(ticket, kAccountQuery), direct->ProcessRequest(directTicket, kAccountQuery));

    std::string answer = qb->ProcessRequest(ticket, journalEntry("A1"));
    EXPECT_NE(answer.find("statusMessage=\"Status OK\""), std::string::npos) << answer;
    qb->EndSession(ticket);
    qb->CloseConnection();
    auto journal = qbsim::Company::open(company).journal();
    ASSERT_EQ(journal.size(), 1u);
    EXPECT_EQ(journal[0].refNumber, "A1");
    EXPECT_EQ(journal[0].lines.at(0).memo, " Korvane & Sons ") << "escaped text crossed unchanged";
}

TEST_F(Bridge, TheEngineReportsWhatQuickBooksRefusedAsForTheComProcessor) {
    // The same broken request, once straight into the company, once through the bridge.
    qbsim::SimProcessorFactory sim(company);
    EngineProgram straight(sim, dir.path());
    {
        clsZTL z(straight.program);
        z.requestText = "<QBXML><JournalEntryAddRq>";
        z.SendRequest();
        EXPECT_TRUE(z.cZTLError);
    }
    auto factory = bridge(test::testBridgeConfig(test::shortTimings()));
    auto qbwc = player(*factory);
    EngineProgram bridged(*factory, dir.path());
    {
        clsZTL z(bridged.program);
        z.requestText = "<QBXML><JournalEntryAddRq>";
        z.SendRequest();
        EXPECT_TRUE(z.cZTLError);
    }
    ASSERT_EQ(straight.prompter.texts().size(), 1u);
    EXPECT_NE(straight.prompter.texts()[0].find("-2147220480"), std::string::npos);
    EXPECT_EQ(bridged.prompter.texts(), straight.prompter.texts());
    EXPECT_EQ(posted(), 0u);
}

TEST_F(Bridge, WithoutTheWebConnectorTheProgramFindsQuickBooksNotRunning) {
    auto factory = bridge(test::testBridgeConfig(test::shortTimings(400ms)));
    EngineProgram p(*factory, dir.path());
    EXPECT_FALSE(CheckQBConnection(p.program));
    ASSERT_EQ(p.prompter.texts().size(), 1u);
    EXPECT_NE(p.prompter.texts()[0].find("error # -2147220472"), std::string::npos) << p.prompter.texts()[0];
    EXPECT_NE(p.prompter.texts()[0].find("Could not connect to QuickBooks Company!"), std::string::npos);
}

TEST_F(Bridge, AWrongPasswordGetsNvuIsReportedAtOnceAndNothingIsPosted) {
    auto factory = bridge(test::testBridgeConfig(test::shortTimings(20000ms)));
    auto qbwc = player(*factory, false, "guess");
    auto qb = factory->create();
    auto start = std::chrono::steady_clock::now();
    try {
        qb->OpenConnection("", "Korvane Zentrel   ");
        ADD_FAILURE() << "connected with a wrong password";
    } catch (const VbError& e) {
        EXPECT_EQ(e.number, hresult::kCouldNotStart);
        EXPECT_NE(e.description.find("password is not the one set with `ztl qbwc set-password`"),
                  std::string::npos)
            << e.description;
    }
    EXPECT_LT(std::chrono::steady_clock::now() - start, 5s) << "reported as it happens, not after the wait";
    qbwc->stop();
    bool refused = false;
    for (const auto& line : qbwc->transcript()) refused = refused || line.ends_with(",nvu");
    EXPECT_TRUE(refused);
    EXPECT_EQ(qbwc->requestsAnswered(), 0);
    EXPECT_EQ(posted(), 0u);
}

TEST_F(Bridge, HostilePostsAreRefusedAndTheSessionGoesOnUntouched) {
    BridgeConfig config = test::testBridgeConfig(test::shortTimings());
    config.http.limits.maxBytes = 64 * 1024;
    auto factory = bridge(config);
    auto qbwc = player(*factory);
    auto qb = factory->create();
    qb->OpenConnection("", "Korvane Zentrel   ");

    test::WebConnectorPlayer::Options o;
    o.port = factory->port();
    test::WebConnectorPlayer intruder(o, nullptr);
    std::string deep = "<a>";
    for (int i = 0; i < 5000; ++i) deep += "<a>";
    struct Case {
        const char* what;
        std::string body;
        int status;
    };
    const Case cases[] = {
        {"entities",
         "<!DOCTYPE d [<!ENTITY e \"x\">]>" + test::soapEnvelope("getLastError", {{"ticket", "&e;"}}), 500},
        {"deep nesting", deep, 500},
        {"a huge body", std::string(64 * 1024 + 1, 'x'), 413},
        {"a guessed ticket", test::soapEnvelope("sendRequestXML", {{"ticket", std::string(32, '0')}}), 500},
        {"an answer nobody asked for",
         test::soapEnvelope("receiveResponseXML", {{"ticket", "x"}, {"response", "<QBXML/>"}}), 500},
    };
    for (const Case& c : cases) EXPECT_EQ(intruder.post("sendRequestXML", c.body).status, c.status) << c.what;
    EXPECT_EQ(intruder.call("serverVersion", {}).result(), "Zentrel 1.0");
    httplib::Client support("127.0.0.1", factory->port());
    auto page = support.Get("/qbwc");
    ASSERT_TRUE(page);
    EXPECT_EQ(page->status, 200) << "AppSupport answers";

    std::string ticket = qb->BeginSession("", kOpenModeDoNotCare);
    EXPECT_NE(qb->ProcessRequest(ticket, journalEntry("B1")).find("Status OK"), std::string::npos);
    qb->EndSession(ticket);
    qb->CloseConnection();
    EXPECT_EQ(posted(), 1u);
}

TEST_F(Bridge, HttpsWithTheCertificateAndPlainHttpOnlyOnTheLoopback) {
    test::writeSelfSignedCertificate(dir / "cert.pem", dir / "key.pem");
    BridgeConfig config = test::testBridgeConfig(test::shortTimings());
    config.http.certificateFile = (dir / "cert.pem").string();
    config.http.privateKeyFile = (dir / "key.pem").string();
    {
        auto factory = bridge(config);
        EXPECT_TRUE(factory->usesTls());
        auto qbwc = player(*factory, true);
        auto qb = factory->create();
        qb->OpenConnection("", "Korvane Zentrel   ");
        std::string ticket = qb->BeginSession("", kOpenModeDoNotCare);
        EXPECT_NE(qb->ProcessRequest(ticket, journalEntry("C1")).find("Status OK"), std::string::npos);
        qb->EndSession(ticket);
        qb->CloseConnection();

        test::WebConnectorPlayer::Options plain;
        plain.port = factory->port();
        EXPECT_EQ(test::WebConnectorPlayer(plain, nullptr).call("serverVersion", {}).status, 0);
    }
    EXPECT_EQ(posted(), 1u);

    struct Case {
        const char* what;
        std::string host, certificate, key;
        const char* reason;
    };
    const Case refusals[] = {
        {"plain HTTP on every address", "0.0.0.0", "", "", "loopback"},
        {"a certificate without its key", "127.0.0.1", config.http.certificateFile, "", "both"},
        {"a key that is not one", "127.0.0.1", config.http.certificateFile, config.http.certificateFile,
         "cannot be used"},
        {"an address not of this machine", "192.0.2.1", config.http.certificateFile,
         config.http.privateKeyFile, "cannot listen"},
    };
    for (const Case& c : refusals) {
        BridgeConfig bad = test::testBridgeConfig(test::shortTimings());
        bad.http.listen.host = c.host;
        bad.http.certificateFile = c.certificate;
        bad.http.privateKeyFile = c.key;
        WebConnectorFactory f(bad);
        EXPECT_NE(f.startError().find(c.reason), std::string::npos) << c.what << ": " << f.startError();
        try {
            f.create()->OpenConnection("", "Korvane Zentrel   ");
            ADD_FAILURE() << c.what;
        } catch (const VbError& e) {
            EXPECT_EQ(e.number, hresult::kCouldNotAccess);
            EXPECT_TRUE(e.description.starts_with(
                "Could not access QuickBooks. The Web Connector service cannot start"))
                << e.description;
        }
    }
}
