// The Web Connector bridge's cost per posted journal entry: the same entry posted straight
// into a simulated company, and through the bridge over the loopback with a player in the
// Web Connector's part posting into a company of its own. The bridged run also reports
// the time the company itself took, so overhead_us is what the bridge adds per entry
// (SOAP both ways, HTTP, the hand-over between threads).
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>

#include "dotnet_soap_client.h"
#include "qbsim/company.h"
#include "qbsim/sample_company.h"
#include "qbsim/sim_request_processor.h"
#include "qbwc/password_hash.h"
#include "qbwc/web_connector_factory.h"
#include "web_connector_player.h"

namespace fs = std::filesystem;
using namespace ztl;

namespace {

using Clock = std::chrono::steady_clock;

const std::string kEntry =
    "<?xml version =\"1.0\" ?>\r\n<!DOCTYPE QBXML PUBLIC '-//INTUIT//DTD QBXML QBD 1.0//EN'>\r\n<QBXML>\r\n"
    "    <QBXMLMsgsRq onError=\"stopOnError\">\r\n        <JournalEntryAddRq requestID=\"1\" > \r\n"
    "            <JournalEntryAdd>\r\n                <TxnDate>2026-12-05</TxnDate>\r\n"
    "                <RefNumber>004711</RefNumber>\r\n                <Memo> Korvane Import </Memo>\r\n"
    "                    <JournalDebitLine>\r\n                        <AccountRef>\r\n"
    "                            <FullName> 1000</FullName>\r\n                        </AccountRef>\r\n"
    "                        <Amount>0001081.25</Amount>\r\n                        <Memo> Korvane Import "
    "</Memo>\r\n"
    "                    </JournalDebitLine>\r\n                    <JournalCreditLine>\r\n"
    "                        <AccountRef>\r\n                            <FullName> 4000</FullName>\r\n"
    "                        </AccountRef>\r\n                        <Amount>0001000.00</Amount>\r\n"
    "                        <Memo> Korvane Import </Memo>\r\n                    </JournalCreditLine>\r\n"
    "                    <JournalCreditLine>\r\n                        <AccountRef>\r\n"
    "                            <FullName> 2100</FullName>\r\n                        </AccountRef>\r\n"
    "                        <Amount>0000081.25</Amount>\r\n                        <Memo> Korvane Import "
    "</Memo>\r\n"
    "                        <EntityRef>\r\n                            <FullName>State Tax "
    "Agency</FullName>\r\n"
    "                        </EntityRef>\r\n                    </JournalCreditLine>\r\n"
    "            </JournalEntryAdd>\r\n        </JournalEntryAddRq>\r\n    </QBXMLMsgsRq>\r\n</QBXML>\r\n";

fs::path sampleCompany(const std::string& name) {
    fs::path dir = fs::temp_directory_path() / ("ztl_qbwc_bench_" + std::to_string(::getpid()));
    fs::create_directories(dir);
    fs::path file = dir / name;
    fs::remove(file);
    qbsim::Company company = qbsim::Company::create(file);
    qbsim::addSampleCompany(company);
    return file;
}

// The company as the Web Connector's QuickBooks, its ProcessRequest timed.
class TimedQuickBooks : public qbsim::SimRequestProcessor {
  public:
    using SimRequestProcessor::SimRequestProcessor;
    std::string ProcessRequest(const std::string& ticket, const std::string& request) override {
        auto start = Clock::now();
        std::string r = SimRequestProcessor::ProcessRequest(ticket, request);
        spent += Clock::now() - start;
        return r;
    }
    Clock::duration spent{};  // written by the player's thread, read once it has stopped posting
};

// A QuickBooks that answers every request at once: what remains is the bridge alone.
class InstantQuickBooks : public RequestProcessor {
  public:
    void OpenConnection(const std::string&, const std::string&) override {}
    std::string BeginSession(const std::string&, int) override { return "t"; }
    std::string ProcessRequest(const std::string&, const std::string&) override { return kAnswer; }
    void EndSession(const std::string&) override {}
    void CloseConnection() override {}
    std::string GetCurrentCompanyFileName(const std::string&) override { return "C:\\Books\\Shop.QBW"; }

  private:
    const std::string kAnswer =
        "<?xml version=\"1.0\" ?>\r\n<QBXML><QBXMLMsgsRs><JournalEntryAddRs requestID=\"1\" statusCode=\"0\" "
        "statusSeverity=\"Info\" statusMessage=\"Status OK\"><JournalEntryRet><TxnID>1-1796635806</TxnID>"
        "</JournalEntryRet></JournalEntryAddRs></QBXMLMsgsRs></QBXML>\r\n";
};

void postOne(RequestProcessor& qb, benchmark::State& state) {
    std::string ticket = qb.BeginSession("", kOpenModeDoNotCare);
    std::string response = qb.ProcessRequest(ticket, kEntry);
    qb.EndSession(ticket);
    if (response.find("Status OK") == std::string::npos) state.SkipWithError("the entry was refused");
}

void BM_PostEntrySimulated(benchmark::State& state) {
    qbsim::SimRequestProcessor qb(sampleCompany("direct.qbw"));
    qb.OpenConnection("", "Korvane Zentrel   ");
    for (auto _ : state) postOne(qb, state);
    qb.CloseConnection();
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_PostEntrySimulated)->Unit(benchmark::kMicrosecond);

qbwc::BridgeConfig benchBridge() {
    qbwc::BridgeConfig config;
    config.credentials = {"clerk", qbwc::hashPassword("bench", 1000)};
    config.http.listen = {"127.0.0.1", 0};
    return config;
}

qbwc::test::WebConnectorPlayer::Options benchPlayer(int port) {
    qbwc::test::WebConnectorPlayer::Options o;
    o.port = port;
    o.userName = "clerk";
    o.password = "bench";
    return o;
}

// One SOAP call on a connection of its own, as the Web Connector's client makes it after
// every "Connection: close": connect, headers, 100 Continue, body, answer.
void BM_SoapCallOverHttp(benchmark::State& state) {
    qbwc::WebConnectorFactory factory(benchBridge());
    qbwc::test::DotNetSoapClient client("127.0.0.1", factory.port());
    const std::string body = qbwc::test::soapEnvelope("serverVersion", {});
    for (auto _ : state) {
        auto a = client.post("/qbwc", "http://developer.intuit.com/serverVersion", body);
        if (a.status != 200) state.SkipWithError("no answer");
    }
}
BENCHMARK(BM_SoapCallOverHttp)->Unit(benchmark::kMicrosecond)->UseRealTime();

// The bridge alone: a request handed to the Web Connector and its answer back.
void BM_RoundTripThroughTheBridge(benchmark::State& state) {
    qbwc::WebConnectorFactory factory(benchBridge());
    qbwc::test::WebConnectorPlayer player(benchPlayer(factory.port()), std::make_shared<InstantQuickBooks>());
    player.start();
    auto qb = factory.create();
    qb->OpenConnection("", "Korvane Zentrel   ");
    postOne(*qb, state);
    for (auto _ : state) postOne(*qb, state);
    qb->CloseConnection();
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_RoundTripThroughTheBridge)->Unit(benchmark::kMicrosecond)->UseRealTime();

// The same with the Web Connector's own HTTP client (dotNet): every answer closes its
// connection, so each call opens a new one.
void BM_PostEntryThroughTheBridge(benchmark::State& state) {
    qbwc::WebConnectorFactory factory(benchBridge());
    auto quickBooks = std::make_shared<TimedQuickBooks>(sampleCompany("bridged.qbw"));
    auto options = benchPlayer(factory.port());
    options.dotNet = state.range(0) != 0;
    qbwc::test::WebConnectorPlayer player(options, quickBooks);
    player.start();
    auto qb = factory.create();
    qb->OpenConnection("", "Korvane Zentrel   ");
    postOne(*qb, state);  // the first entry waits for the Web Connector's session: not timed
    quickBooks->spent = {};

    auto start = Clock::now();
    for (auto _ : state) postOne(*qb, state);
    auto elapsed = Clock::now() - start;
    qb->CloseConnection();

    using us = std::chrono::duration<double, std::micro>;
    double n = static_cast<double>(state.iterations());
    state.counters["quickbooks_us"] = us(quickBooks->spent).count() / n;
    state.counters["overhead_us"] = us(elapsed - quickBooks->spent).count() / n;
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_PostEntryThroughTheBridge)
    ->ArgName("dotNet")
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kMicrosecond)
    ->UseRealTime();

}  // namespace
