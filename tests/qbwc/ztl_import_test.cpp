// ztl through the bridge, as an operator runs it: the program in a process of its own on a
// free loopback port, the player in the Web Connector's part beside a simulated company.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <map>
#include <optional>
#include <future>
#include <regex>
#include <sstream>
#include <thread>

#include "bridge_fixture.h"
#include "qbsim/sim_request_processor.h"
#include "tests/support/shell_command.h"
#include "web_connector_player.h"

namespace fs = std::filesystem;
using namespace ztl;
using namespace ztl::qbwc;

namespace {

using Result = ztl::testsupport::CommandResult;
using ztl::testsupport::slurp;

using test::freePort;

// The log's first line carries the run's date and time, a TxnID the second it was posted,
// and the archived totals file's name the minute it was archived; nothing else may differ.
std::string withoutRunTime(const std::string& text) {
    static const std::regex heading("Korvane Zentrel import log [^\r\n]*");
    static const std::regex txnId("Import result ID :([0-9A-F]+)-[0-9]+");
    static const std::regex archived("X390\\.QB[0-9]+");
    // Each run posts into a company file of its own; the summary names it.
    static const std::regex company("Company : [^\r\n]*");
    std::string t = std::regex_replace(text, heading, "Korvane Zentrel import log <when>");
    t = std::regex_replace(t, txnId, "Import result ID :$1-<when>");
    t = std::regex_replace(t, company, "Company : <file>");
    return std::regex_replace(t, archived, "X390.QB<when>");
}

class ZtlThroughTheBridge : public ::testing::Test {
  protected:
    test::TempFolder dir;
    // A socket's path has room for about a hundred bytes: the runtime folder is short.
    fs::path runtime = fs::path("/tmp") / ("ztl-run-" + std::to_string(::getpid()));
    void TearDown() override { fs::remove_all(runtime); }

    // A shell command in the test's folder (or a folder in it) with its own settings and state.
    Result run(const std::string& command, const std::string& quickBooks = "", const std::string& in = ".") {
        static std::atomic<int> n{0};
        std::string tag = std::to_string(n++);
        std::string env = environment(quickBooks);
        fs::path out = dir / ("out" + tag + ".txt"), err = dir / ("err" + tag + ".txt");
        return ztl::testsupport::runShell("cd '" + (dir / in).string() + "' && " + env + command, out, err);
    }
    // The test's own settings, state and runtime folders.
    std::string environment(const std::string& quickBooks) const {
        return "export XDG_CONFIG_HOME='" + (dir / "config").string() + "' XDG_STATE_HOME='" +
               (dir / "state").string() + "' XDG_RUNTIME_DIR='" + runtime.string() +
               "' ZENTREL_QUICKBOOKS='" + quickBooks + "'; ";
    }
    static std::string ztl(const std::string& args) { return std::string(ZTL_BIN) + " " + args; }
    static std::string qbsim(const std::string& args) { return std::string(QBSIM_BIN) + " " + args; }

    // Runs `command` while a Web Connector plays against the port, QuickBooks having `company`
    // open; the player stops when the command has ended.
    // `company` empty: QuickBooks cannot be started on the Web Connector's PC.
    // `quickBooks`: what ZENTREL_QUICKBOOKS says; by default the bridge on the port.
    Result runWithWebConnector(const std::string& command, int port, const fs::path& company,
                               const std::string& in = ".", test::WebConnectorPlayer::Options o = {},
                               test::WebConnectorPlayer** seen = nullptr,
                               std::optional<std::string> quickBooks = std::nullopt) {
        o.port = port;
        test::WebConnectorPlayer player(
            o, company.empty() ? nullptr : std::make_shared<qbsim::SimRequestProcessor>(company));
        if (seen) *seen = &player;
        std::string env = quickBooks ? *quickBooks : "qbwc:127.0.0.1:" + std::to_string(port);
        auto done = std::async(std::launch::async, [&] { return run(command, env, in); });
        player.start();
        Result r = done.get();
        player.stop();
        transcript = player.transcript();
        if (seen) {
            keptAliveFailures = player.keptAliveFailures();
            lateContinues = player.lateContinues();
            *seen = nullptr;
        }
        return r;
    }

    int keptAliveFailures = -1, lateContinues = -1;
    std::vector<std::string> transcript;  // of the last runWithWebConnector

    bool said(const std::string& line) const {
        return std::find(transcript.begin(), transcript.end(), line) != transcript.end();
    }

    // The sessions of the last transcript that carried a request, each one's lines; every
    // one must end with the Web Connector's closeConnection answered.
    std::vector<std::vector<std::string>> sessionsWithRequests() const {
        std::vector<std::vector<std::string>> sessions;
        for (const auto& line : transcript) {
            if (line.starts_with("serverVersion -> ")) sessions.emplace_back();
            if (!sessions.empty()) sessions.back().push_back(line);
        }
        std::erase_if(sessions, [](const auto& lines) {
            return std::none_of(lines.begin(), lines.end(),
                                [](const std::string& l) { return l.starts_with("receiveResponseXML -> "); });
        });
        return sessions;
    }
    void expectEverySessionClosedCleanly(const char* what) const {
        auto sessions = sessionsWithRequests();
        EXPECT_FALSE(sessions.empty()) << what;
        for (const auto& lines : sessions) {
            std::string all;
            for (const auto& l : lines) all += l.substr(0, 120) + "\n";
            EXPECT_EQ(lines.back(), "closeConnection -> OK") << what << ":\n" << all;
        }
    }

    // Two companies with the import's settings, and the totals file in a folder for each.
    void twoCompanies() {
        for (const char* company : {"direct.qbw", "bridged.qbw"}) {
            ASSERT_EQ(run(qbsim(std::string("new ") + company + " --sample")).status, 0);
            std::string sim = "sim:" + (dir / company).string();
            ASSERT_EQ(run(ztl("settings set ARImportAccount 'Walk-in Customer'"), sim).status, 0);
            ASSERT_EQ(run(ztl("settings set TaxImportAccount 'State Tax Agency'"), sim).status, 0);
        }
        for (const char* folder : {"direct", "bridged"}) {
            fs::create_directories(dir / folder);
            fs::copy_file(fs::path(EXAMPLES_DIR) / "X390.QB", dir / folder / "X390.QB");
        }
    }

    // The totals file's archive in the test's folder.
    std::string archivedName() const {
        for (const auto& e : fs::directory_iterator(dir.path()))
            if (e.path().filename().string().starts_with("X390.QB") && e.path().filename() != "X390.QB")
                return e.path().filename().string();
        return "(none)";
    }

    void setUpBridge(int port) {
        ASSERT_EQ(run("echo '" + std::string(test::kPassword) + "' | " + ztl("qbwc set-password")).status, 0);
        Result file = run(ztl("qbwc file --url http://localhost:" + std::to_string(port) + "/qbwc --user " +
                              test::kUser + " --out shop.qwc"));
        ASSERT_EQ(file.status, 0) << file.err;
        EXPECT_NE(slurp(dir / "shop.qwc")
                      .find("<AppURL>http://localhost:" + std::to_string(port) + "/qbwc</AppURL>"),
                  std::string::npos);
        ASSERT_EQ(run(ztl("qbwc set TimeoutSeconds 20")).status, 0);
    }
};

}  // namespace

TEST_F(ZtlThroughTheBridge, AWholeImportPostsExactlyWhatItPostsIntoTheSimulatedCompany) {
    twoCompanies();
    // The same command in two folders: the archived totals file's name says where it ran.
    Result direct = run(ztl("import X390.QB"), "sim:" + (dir / "direct.qbw").string(), "direct");

    int port = freePort();
    ASSERT_NE(port, 0);
    setUpBridge(port);
    Result bridged = runWithWebConnector(ztl("import X390.QB"), port, dir / "bridged.qbw", "bridged");

    EXPECT_EQ(bridged.status, direct.status);
    EXPECT_EQ(bridged.err, direct.err);
    EXPECT_EQ(withoutRunTime(bridged.out), withoutRunTime(direct.out));
    std::string log = slurp(dir / "direct/QBImport.log");
    EXPECT_NE(log.find("Import successful"), std::string::npos) << log;
    EXPECT_EQ(withoutRunTime(slurp(dir / "bridged/QBImport.log")), withoutRunTime(log));

    Result directJournal = run(qbsim("journal direct.qbw --tsv"));
    EXPECT_NE(directJournal.out, "");
    EXPECT_EQ(run(qbsim("journal bridged.qbw --tsv")).out, directJournal.out);
    expectEverySessionClosedCleanly("ztl import");

    // The run undone through the bridge by the .NET client, ending as cleanly.
    test::WebConnectorPlayer::Options dotNet;
    dotNet.dotNet = true;
    Result undone =
        runWithWebConnector(ztl("undo --yes QBImport.log"), port, dir / "bridged.qbw", "bridged", dotNet);
    EXPECT_EQ(undone.status, 0) << undone.out << undone.err;
    EXPECT_EQ(run(qbsim("journal bridged.qbw --tsv")).out, "");
    expectEverySessionClosedCleanly("ztl undo --yes");
}

TEST_F(ZtlThroughTheBridge, AWrongPasswordUnderImportIsAnsweredNvuAndSaidOnce) {
    ASSERT_EQ(run(qbsim("new shop.qbw --sample")).status, 0);
    fs::copy_file(fs::path(EXAMPLES_DIR) / "X390.QB", dir / "X390.QB");
    int port = freePort();
    ASSERT_NE(port, 0);
    setUpBridge(port);
    test::WebConnectorPlayer::Options o;
    o.password = "an old password";
    Result r = runWithWebConnector(ztl("import --no-archive X390.QB"), port, dir / "shop.qbw", ".", o);
    EXPECT_NE(r.status, 0);
    auto nvu = std::find_if(transcript.begin(), transcript.end(),
                            [](const std::string& l) { return l.starts_with("authenticate -> "); });
    ASSERT_NE(nvu, transcript.end());
    EXPECT_TRUE(nvu->ends_with(",nvu")) << *nvu << ": the Web Connector reads the refusal, not a closed connection";
    const std::string why = "the Web Connector's password is not the one set with `ztl qbwc set-password`";
    EXPECT_NE(r.err.find(why), std::string::npos) << r.err;
    EXPECT_EQ(r.err.find(why), r.err.rfind(why)) << "said once:\n" << r.err;
}

TEST_F(ZtlThroughTheBridge, QuickBooksClosedOnThePcIsSaidAsSuchOnce) {
    ASSERT_EQ(run(qbsim("new shop.qbw --sample")).status, 0);
    fs::copy_file(fs::path(EXAMPLES_DIR) / "X390.QB", dir / "X390.QB");
    int port = freePort();
    ASSERT_NE(port, 0);
    setUpBridge(port);
    // The stand-in reports connectionError 0x80040408 "Could not start QuickBooks."
    Result r = runWithWebConnector(ztl("import --no-archive X390.QB"), port, "");
    EXPECT_NE(r.status, 0);
    EXPECT_TRUE(said("connectionError -> done"));
    const std::string cause = "QuickBooks on the bookkeeper's PC could not be started";
    EXPECT_NE(r.err.find(cause), std::string::npos) << r.err;
    EXPECT_EQ(r.err.find(cause), r.err.rfind(cause)) << "said once:\n" << r.err;
    EXPECT_NE(r.err.find("then click Update Selected in the Web Connector."), std::string::npos);
}

TEST_F(ZtlThroughTheBridge, ALostAnswerCostsTheImportNothingMoreAndItsUndoReachesThatEntryToo) {
    ASSERT_EQ(run(qbsim("new shop.qbw --sample")).status, 0);
    std::string sim = "sim:" + (dir / "shop.qbw").string();
    ASSERT_EQ(run(ztl("settings set ARImportAccount 'Walk-in Customer'"), sim).status, 0);
    ASSERT_EQ(run(ztl("settings set VendorImportAccount 'Main Supplier'"), sim).status, 0);
    ASSERT_EQ(run(ztl("settings set TaxImportAccount 'State Tax Agency'"), sim).status, 0);
    fs::copy_file(fs::path(EXAMPLES_DIR) / "X390.QB", dir / "X390.QB");
    int port = freePort();
    ASSERT_NE(port, 0);
    setUpBridge(port);
    // Far longer than the test: the lost answer must not be waited out.
    ASSERT_EQ(run(ztl("qbwc set TimeoutSeconds 600")).status, 0);

    // QuickBooks takes the second entry, and the Web Connector vanishes with its answer; on
    // its schedule it starts a new session.
    test::WebConnectorPlayer::Options lossy;
    lossy.loseAnswerOfEntry = 2;
    Result first = runWithWebConnector(ztl("import X390.QB"), port, dir / "shop.qbw", ".", lossy);
    EXPECT_NE(first.err.find("look in QuickBooks whether the entry was posted"), std::string::npos) << first.err;
    // One report of the lost answer, however many sessions come after it.
    size_t reports = 0;
    for (size_t at = first.err.find("Error in module"); at != std::string::npos;
         at = first.err.find("Error in module", at + 1))
        ++reports;
    EXPECT_EQ(reports, 1u) << first.err;
    auto refs = [&] {
        std::string journal = run(qbsim("journal shop.qbw --tsv")).out;
        std::map<std::string, int> lines;
        std::istringstream in(journal);
        for (std::string line; std::getline(in, line);) {
            std::istringstream fields(line);
            std::string number, date, ref, side;
            fields >> number >> date >> ref >> side;
            if (side == "Debit") ++lines[ref];
        }
        return lines;
    };
    std::map<std::string, int> debits = refs();
    for (const char* ref : {"004711", "004712", "004713", "004714"})
        EXPECT_EQ(debits[ref], 1) << ref << " is posted once, the same night";
    // The log tells of the entry sent without an answer, then of finding it in QuickBooks
    // when the run asked again in the new session; every transaction is in: archived.
    const std::string log = slurp(dir / "QBImport.log");
    EXPECT_NE(log.find("Invoice : 004712\r\nSent to QuickBooks, no answer came back : "), std::string::npos) << log;
    EXPECT_NE(log.find("Invoice : 004712\r\nAlready in QuickBooks : TxnID "), std::string::npos) << log;
    EXPECT_NE(log.find("Sent without an answer by the run of QBImport.log : TxnID "), std::string::npos) << log;
    EXPECT_NE(log.find("Posted : 3\r\nRefused : 0\r\nAlready in QuickBooks : 1\r\nSent without an answer : 0\r\n"
                       "Not sent : 0\r\n"),
              std::string::npos)
        << log;
    EXPECT_FALSE(fs::exists(dir / "X390.QB")) << "every transaction is in QuickBooks: archived";

    // Its undo removes the four entries, the one whose answer was lost among them.
    Result undone = runWithWebConnector(ztl("undo --yes --totals " + archivedName() + " QBImport.log"), port,
                                        dir / "shop.qbw");
    EXPECT_EQ(undone.status, 0) << undone.out << undone.err;
    EXPECT_TRUE(refs().empty());
}

TEST_F(ZtlThroughTheBridge, ServeTestsTheConnectionAndSaysWhenNoWebConnectorCame) {
    ASSERT_EQ(run(qbsim("new shop.qbw --sample")).status, 0);
    int port = freePort();
    ASSERT_NE(port, 0);
    setUpBridge(port);
    std::string company = qbsim::canonicalCompanyPath((dir / "shop.qbw").string()).string();
    Result served = runWithWebConnector(ztl("qbwc serve --wait 20"), port, dir / "shop.qbw");
    EXPECT_EQ(served.status, 0) << served.err;
    EXPECT_NE(served.out.find("the Web Connector connected; QuickBooks has " + company + " open"),
              std::string::npos)
        << served.out;
    EXPECT_NE(served.err.find("authenticate from 127.0.0.1 as \"clerk\": session begins"), std::string::npos)
        << served.err;
    expectEverySessionClosedCleanly("ztl qbwc serve");
    test::WebConnectorPlayer::Options dotNet;
    dotNet.dotNet = true;
    Result again = runWithWebConnector(ztl("qbwc serve --wait 20"), port, dir / "shop.qbw", ".", dotNet);
    EXPECT_EQ(again.status, 0) << again.err;
    expectEverySessionClosedCleanly("ztl qbwc serve, .NET client");

    Result alone = run(ztl("qbwc serve --wait 1"), "qbwc:127.0.0.1:" + std::to_string(port));
    EXPECT_EQ(alone.status, 1);
    EXPECT_NE(
        alone.err.find("ztl: error # -2147220472: Could not start QuickBooks. The Web Connector has not "
                       "called since"),
        std::string::npos)
        << alone.err;
    // The address the bookkeeper's PC calls, as the .qwc file says it; not where the bridge listens.
    EXPECT_NE(alone.err.find("The Web Connector must reach http://localhost:" + std::to_string(port) +
                             "/qbwc (the URL of the .qwc file)."),
              std::string::npos)
        << alone.err;
}

TEST_F(ZtlThroughTheBridge, ADotNetWebConnectorBesideASlowQuickBooksPostsTheWholeImport) {
    twoCompanies();
    Result direct = run(ztl("import X390.QB"), "sim:" + (dir / "direct.qbw").string(), "direct");
    int port = freePort();
    ASSERT_NE(port, 0);
    setUpBridge(port);
    // One kept-alive connection, Expect: 100-continue, no retry; the real pauses after
    // NoOp and between runs; QuickBooks takes 3 s per request.
    test::WebConnectorPlayer::Options o;
    o.dotNet = true;
    o.noOpPause = std::chrono::seconds(5);
    o.schedule = std::chrono::seconds(1);
    o.quickBooksPause = std::chrono::seconds(3);
    test::WebConnectorPlayer* player = nullptr;
    Result bridged =
        runWithWebConnector(ztl("import X390.QB"), port, dir / "bridged.qbw", "bridged", o, &player);
    EXPECT_EQ(bridged.status, direct.status) << bridged.err;
    EXPECT_EQ(bridged.err, direct.err);
    EXPECT_EQ(withoutRunTime(bridged.out), withoutRunTime(direct.out));
    EXPECT_EQ(keptAliveFailures, 0) << "no call failed on a connection closed under the client";
    EXPECT_EQ(lateContinues, 0) << "every 100-continue answered at once";
    expectEverySessionClosedCleanly("ztl import, .NET client");
    Result directJournal = run(qbsim("journal direct.qbw --tsv"));
    EXPECT_NE(directJournal.out, "");
    EXPECT_EQ(run(qbsim("journal bridged.qbw --tsv")).out, directJournal.out);
}

namespace {

// Sends the service SIGTERM when the test leaves early; `pid` 0 once the test has stopped it.
struct StopOnExit {
    pid_t pid;
    ~StopOnExit() {
        if (pid > 0) ::kill(pid, SIGTERM);
    }
};

mode_t modeOf(const fs::path& p) {
    struct stat st {};
    return ::stat(p.c_str(), &st) == 0 ? (st.st_mode & 07777) : 0;
}

}  // namespace

TEST_F(ZtlThroughTheBridge, TheServiceTellsAnIdleWebConnectorNoneAndPostsAnImportHandedToIt) {
    twoCompanies();
    Result direct = run(ztl("import X390.QB"), "sim:" + (dir / "direct.qbw").string(), "direct");
    int port = freePort();
    ASSERT_NE(port, 0);
    setUpBridge(port);
    fs::create_directories(runtime);
    ::chmod(runtime.c_str(), 0700);
    const std::string address = "qbwc:127.0.0.1:" + std::to_string(port);
    ASSERT_EQ(
        std::system(("cd '" + dir.path().string() + "' && " + environment(address) + ztl("qbwc service") +
                     " >service.out 2>service.err </dev/null & echo $! >service.pid")
                        .c_str()),
        0);
    pid_t service = std::stoi(slurp(dir / "service.pid"));
    // A failed assertion on the way must not leave the service running after the test.
    StopOnExit stopped{service};
    const fs::path socket = runtime / "zentrel-qbwc" / ("localhost-" + std::to_string(port) + ".sock");
    for (int i = 0; i < 200 && !fs::exists(socket); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    ASSERT_TRUE(fs::exists(socket)) << slurp(dir / "service.err");

    test::WebConnectorPlayer::Options o;
    o.port = port;
    o.dotNet = true;
    auto idleRun = [&] {
        test::WebConnectorPlayer idle(o, std::make_shared<qbsim::SimRequestProcessor>(dir / "bridged.qbw"));
        auto lines = idle.runOnce();
        return lines.size() >= 3 ? lines[2] : std::string();
    };
    EXPECT_TRUE(idleRun().ends_with(",none")) << "nothing wanted: the session is told none";

    // A second bridge on the port is refused: the program hands its requests to the service.
    Result bridged = runWithWebConnector(ztl("import X390.QB"), port, dir / "bridged.qbw", "bridged", o);
    EXPECT_EQ(bridged.status, direct.status) << bridged.err;
    EXPECT_EQ(bridged.err, direct.err);
    EXPECT_EQ(withoutRunTime(bridged.out), withoutRunTime(direct.out));
    EXPECT_EQ(run(qbsim("journal bridged.qbw --tsv")).out, run(qbsim("journal direct.qbw --tsv")).out);
    EXPECT_TRUE(said("receiveResponseXML -> 100")) << "the session ends the clean way";

    // The program has ended; the service goes on.
    EXPECT_EQ(::kill(service, 0), 0) << slurp(dir / "service.err");
    EXPECT_TRUE(idleRun().ends_with(",none"));

    // What an intruder could use stays with the operator.
    const fs::path log = dir / "state" / "zentrel" / "qbwc.log";
    EXPECT_EQ(modeOf(dir / "config" / "ZTL" / "ZTL.ini"), 0600u);
    EXPECT_EQ(modeOf(socket), 0600u);
    EXPECT_EQ(modeOf(socket.parent_path()), 0700u);
    EXPECT_EQ(modeOf(log), 0600u);
    std::string logged = slurp(log);
    EXPECT_NE(logged.find("session begins"), std::string::npos) << logged;
    EXPECT_NE(logged.find("nothing to do (none)"), std::string::npos) << logged;

    // The shell started it, so it is not this process's child: its end is watched, not waited for.
    ::kill(service, SIGTERM);
    stopped.pid = 0;
    for (int i = 0; i < 250 && ::kill(service, 0) == 0; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_NE(::kill(service, 0), 0) << "the service ends on SIGTERM";
    EXPECT_NE(slurp(dir / "service.err").find("the Web Connector service stops (signal 15)"),
              std::string::npos);
    EXPECT_FALSE(fs::exists(socket)) << "the socket goes with the service";
}

TEST_F(ZtlThroughTheBridge, ZtlShowsTheWaitAndThenWhyNoWebConnectorCame) {
    int port = freePort();
    ASSERT_NE(port, 0);
    setUpBridge(port);
    ASSERT_EQ(run(ztl("qbwc set TimeoutSeconds 11")).status, 0);
    Result r = run(ztl("accounts"), "qbwc:127.0.0.1:" + std::to_string(port));
    EXPECT_NE(r.status, 0);
    // Not a terminal: the line once every ten seconds.
    EXPECT_NE(r.err.find("ztl: Waiting for the Web Connector to call ... 10 s\n"), std::string::npos) << r.err;
    // Why, once: in the report of the failure it caused.
    const std::string why = "Could not start QuickBooks. The Web Connector has not called since ";
    EXPECT_NE(r.err.find(why), std::string::npos) << r.err;
    EXPECT_EQ(r.err.find(why), r.err.rfind(why)) << r.err;
    EXPECT_NE(r.err.find("The Web Connector must reach http://localhost:" + std::to_string(port) + "/qbwc"),
              std::string::npos);
    // How long and what to click, once, with the first line shown.
    std::string details = "ztl: Zentrel waits up to 11 s. On the bookkeeper's PC, in the QuickBooks Web "
                          "Connector: tick Korvane Zentrel and click Update Selected";
    EXPECT_NE(r.err.find(details), std::string::npos) << r.err;
    EXPECT_EQ(r.err.find(details), r.err.rfind(details));
}

TEST_F(ZtlThroughTheBridge, TheServiceFollowsItsSettingsAndTheProgramsFindItWithoutTheVariable) {
    ASSERT_EQ(run(qbsim("new shop.qbw --sample")).status, 0);
    int port = freePort();
    ASSERT_NE(port, 0);
    setUpBridge(port);  // its .qwc URL, http://localhost:PORT/qbwc, sets QuickBooks=qbwc:127.0.0.1:PORT
    const std::string served = "qbwc:127.0.0.1:" + std::to_string(port);
    fs::create_directories(runtime);
    ::chmod(runtime.c_str(), 0700);
    // Started as the unit starts it: no ZENTREL_QUICKBOOKS, the address from the setting.
    ASSERT_EQ(std::system(("cd '" + dir.path().string() + "' && " + environment("") + ztl("qbwc service") +
                           " >service.out 2>service.err </dev/null & echo $! >service.pid")
                              .c_str()),
              0);
    pid_t service = std::stoi(slurp(dir / "service.pid"));
    // A failed assertion on the way must not leave the service running after the test.
    StopOnExit stopped{service};
    const fs::path socket = runtime / "zentrel-qbwc" / ("localhost-" + std::to_string(port) + ".sock");
    for (int i = 0; i < 200 && !fs::exists(socket); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    ASSERT_TRUE(fs::exists(socket)) << slurp(dir / "service.err");

    Result status = run(ztl("qbwc status"));
    EXPECT_EQ(status.status, 0) << status.err;
    EXPECT_NE(status.out.find("The Web Connector service runs for " + served), std::string::npos) << status.out;
    EXPECT_NE(status.out.find("The Web Connector calls: http://localhost:" + std::to_string(port) + "/qbwc"),
              std::string::npos)
        << status.out;

    // A new password, taken by the running service: the new one opens a session, the old one is refused.
    Result changed = run("echo 'a new password' | " + ztl("qbwc set-password"));
    EXPECT_NE(changed.out.find("the Web Connector service for " + served +
                               ": the settings are read again; new: password"),
              std::string::npos)
        << changed.out << changed.err;
    auto authenticated = [&](const std::string& password, const char* from) {
        test::WebConnectorPlayer::Options o;
        o.port = port;
        o.host = from;
        o.password = password;
        test::WebConnectorPlayer player(o, std::make_shared<qbsim::SimRequestProcessor>(dir / "shop.qbw"));
        auto lines = player.runOnce();
        return lines.size() >= 3 ? lines[2].substr(lines[2].rfind(',') + 1) : std::string("(no answer)");
    };
    EXPECT_EQ(authenticated("a new password", "127.0.0.1"), "none");
    EXPECT_EQ(authenticated(test::kPassword, "127.0.0.1"), "nvu");

    // No ZENTREL_QUICKBOOKS: the setting names the service, and the programs go through it;
    // localhost of the same port is the same service, not a second bridge.
    test::WebConnectorPlayer::Options o;
    o.password = "a new password";
    for (std::string quickBooks : {std::string(), "qbwc:localhost:" + std::to_string(port)}) {
        Result accounts = runWithWebConnector(ztl("accounts"), port, dir / "shop.qbw", ".", o, nullptr, quickBooks);
        EXPECT_EQ(accounts.status, 0) << quickBooks << ": " << accounts.err;
        EXPECT_NE(accounts.out.find("Sales Tax Payable"), std::string::npos) << accounts.out;
        EXPECT_EQ(accounts.err.find("already served"), std::string::npos) << accounts.err;
    }
    EXPECT_NE(slurp(dir / "service.err").find("session begins"), std::string::npos);

    // An address the bridge cannot serve here while the service serves another: its exact value.
    Result elsewhere = run(ztl("accounts"), "qbwc:192.0.2.1:" + std::to_string(port));
    EXPECT_NE(elsewhere.status, 0);
    EXPECT_NE(elsewhere.err.find("A Web Connector service runs for " + served + ", not qbwc:192.0.2.1:" +
                                 std::to_string(port) + ": set ZENTREL_QUICKBOOKS to that value"),
              std::string::npos)
        << elsewhere.err;

    ::kill(service, SIGTERM);
    stopped.pid = 0;
    for (int i = 0; i < 250 && ::kill(service, 0) == 0; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_NE(::kill(service, 0), 0) << "the service ends on SIGTERM";
    Result none = run(ztl("qbwc status"));
    EXPECT_EQ(none.status, 3);
    EXPECT_NE(none.out.find("No Web Connector service runs for this user"), std::string::npos) << none.out;
}
