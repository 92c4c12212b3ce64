// The console's actions as a browser, an intruder and a slow child program meet them: no form
// acts without its token, nothing outside a store's own lists is ever touched, an undo needs
// its typed YES, one post per store runs at a time, a child's output is shown as text, and
// every action done is in the operation log. The jobs start a fake ztl, a shell script that
// records its arguments and does what the test tells it.
#include <gtest/gtest.h>
#include <unistd.h>

#include <nlohmann/json.hpp>

#include <fstream>
#include <regex>
#include <sstream>
#include <thread>

#include "bridge_fixture.h"
#include "list_cells.h"
#include "engine/company/file_names.h"
#include "engine/company/import_log.h"
#include "engine/import/import_lock.h"
#include "engine/unattended/pending_days.h"
#include "platform/computer_name.h"
#include "qbwc/console/bookkeeper_console.h"
#include "qbwc/console/console_actions.h"
#include "qbwc/console/console_password_file.h"
#include "qbwc/password_hash.h"
#include "tests/support/scoped_env.h"
#include "tests/support/shell_command.h"

namespace ztl::qbwc {
namespace {

namespace fs = std::filesystem;
using testsupport::slurp;

constexpr const char* kKey = "0a1b2c3d4e5f";
constexpr const char* kFakeZtl = R"sh(#!/bin/sh
for a in "$@"; do printf '%s\n' "$a"; done >> "$FAKE_ZTL_DIR/args"
echo "--" >> "$FAKE_ZTL_DIR/args"
[ -f "$FAKE_ZTL_DIR/output" ] && cat "$FAKE_ZTL_DIR/output"
i=0
while [ -f "$FAKE_ZTL_DIR/hold" ] && [ $i -lt 1000 ]; do sleep 0.01; i=$((i+1)); done
exit "$(cat "$FAKE_ZTL_DIR/exit" 2>/dev/null || echo 0)"
)sh";

// An import log as a run writes it, posting these (invoice, TxnID) entries.
std::string importLogOf(const std::vector<std::pair<std::string, std::string>>& posted) {
    std::string log = importlog::headingLine("12/01/2026", "9:30:00 PM") + "\r\n" + importlog::ruleLine() + "\r\n \r\n";
    int n = 0;
    for (const auto& [invoice, txnId] : posted)
        log += importlog::transactionHeading(++n, invoice) + "\r\n" + importlog::kSuccessLine + "\r\n" +
               importlog::statusLine("0", "Info", txnId) + "\r\n" + importlog::messageLine("Status OK") + "\r\n \r\n";
    return log;
}

// The children of this process that have ended and not been waited for.
int zombieChildren() {
    int zombies = 0;
    for (const auto& entry : fs::directory_iterator("/proc")) {
        std::ifstream stat(entry.path() / "stat");
        std::string line;
        if (!std::getline(stat, line)) continue;
        // "pid (name) state ppid ...": the name may hold blanks, the last ')' ends it.
        std::istringstream rest(line.substr(line.rfind(')') + 1));
        char state = 0;
        long parent = 0;
        if (rest >> state >> parent && state == 'Z' && parent == ::getpid()) ++zombies;
    }
    return zombies;
}

class ConsoleActionsTest : public ::testing::Test {
  protected:
    test::TempFolder dir{"actions"};
    ztl::test::ScopedEnv home{"HOME", (dir / "home").string()};
    ztl::test::ScopedEnv state{"XDG_STATE_HOME", (dir / "state").string()};
    ztl::test::ScopedEnv config{"XDG_CONFIG_HOME", (dir / "config").string()};
    ztl::test::ScopedEnv fake{"FAKE_ZTL_DIR", dir.path().string()};
    fs::path store = dir / "store";
    fs::path totals = store / "12X390.QB";
    fs::path operationLog = dir / "ztloperation.log";
    std::unique_ptr<ConsoleActions> actions;
    std::unique_ptr<BookkeeperConsole> console;
    std::string cookie, token;

    void SetUp() override {
        fs::create_directories(store);
        const fs::path program = dir.write("fake-ztl", kFakeZtl);
        fs::permissions(program, fs::perms::owner_all);
        ActionsSetup setup{[this](const std::string& key) -> std::optional<fs::path> {
                               if (key == kKey) return totals;
                               return std::nullopt;
                           },
                           program, dir / "post.env", operationLog,
                           std::make_shared<FixedClock>(LocalDateTime{2026, 12, 8, 9, 5, 0})};
        actions = std::make_unique<ConsoleActions>(setup);
        writeConsolePasswordHash(dir / "console-password", hashPassword(test::kPassword, 1000));
        console = std::make_unique<BookkeeperConsole>(ConsoleSetup{
            dir / "console-password", [] { return std::string(); }, "qbwc:127.0.0.1:8080",
            std::chrono::minutes(30), {}, {[this](const ConsoleVisit& v) { return actions->answer(v); }}});
        signIn();
    }

    ConsoleReply ask(const std::string& method, const std::string& target, const std::string& body = "") {
        return console->answer({method, target, cookie, "application/x-www-form-urlencoded", body, "10.1.2.3", false},
                               [] { return ServiceStatus{}; });
    }
    static std::string header(const ConsoleReply& reply, const std::string& name) {
        for (const auto& [n, v] : reply.headers)
            if (n == name) return v;
        return {};
    }
    void signIn() {
        ConsoleReply page = ask("GET", "/console/");
        std::string signInCookie = header(page, "Set-Cookie");
        cookie = signInCookie.substr(0, signInCookie.find(';'));
        ConsoleReply in = ask("POST", "/console/sign-in", "token=" + hidden(page.body, "token") + "&password=s3cret+pass");
        ASSERT_EQ(in.status, 303) << in.body;
        const std::string session = header(in, "Set-Cookie");
        cookie = session.substr(0, session.find(';'));
        token = hidden(ask("GET", "/console/").body, "token");
        ASSERT_FALSE(token.empty());
    }
    // The value of the form's hidden field `name` on `page`.
    static std::string hidden(const std::string& page, const std::string& name) {
        std::smatch m;
        return std::regex_search(page, m, std::regex("name=\"" + name + "\" value=\"([0-9a-f]+)\"")) ? m[1].str()
                                                                                                  : "";
    }
    // A POST of the form with its token and these fields.
    ConsoleReply send(const std::string& target, const std::string& fields = "") {
        return ask("POST", target, "token=" + token + (fields.empty() ? "" : "&" + fields));
    }
    std::string address(const std::string& rest) const { return std::string("/console/stores/") + kKey + rest; }

    // The job a POST started, by the page it was sent to; waits for it to end.
    JobView endedJob(const ConsoleReply& reply) {
        EXPECT_EQ(reply.status, 303) << reply.body;
        const std::string id = header(reply, "Location").substr(std::string("/console/jobs/").size());
        for (int i = 0; i < 1000; ++i) {
            std::optional<JobView> job = actions->jobs().find(id);
            if (!job) break;
            if (!job->running()) return *job;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        ADD_FAILURE() << "job " << id << " did not end";
        return {};
    }
    // The fake ztl's arguments, one line each, "--" after each start.
    std::string startedWith() const { return fs::exists(dir / "args") ? slurp(dir / "args") : ""; }
    fs::path pendingDay(const std::string& date, const std::string& bytes = "H 12/01/26\r\n") const {
        return keepPendingDay(totals, date, bytes);
    }
};

TEST_F(ConsoleActionsTest, NoFormActsWithoutItsTokenAndNothingChanges) {
    const fs::path day = pendingDay("2026-12-01");
    std::ofstream(totals) << "H 12/02/26\r\n";
    std::ofstream(store / "12QBImport.log", std::ios::binary) << importLogOf({{"1001", "10-1"}});
    for (const std::string& target : {address("/post"), address("/pending/2026-12-01/drop"), address("/reconcile"),
                                      address("/undo/12QBImport.log")}) {
        for (const std::string& body : {std::string("choice=1&confirm=YES"),
                                        "token=" + std::string(32, '0') + "&choice=1&confirm=YES"}) {
            ConsoleReply reply = ask("POST", target, body);
            EXPECT_EQ(reply.status, 403) << target;
        }
    }
    EXPECT_TRUE(fs::exists(day)) << "the pending day is still there";
    EXPECT_EQ(startedWith(), "") << "no job started";
    EXPECT_FALSE(fs::exists(operationLog));
}

TEST_F(ConsoleActionsTest, WhatIsNotInTheStoresOwnListsIsNotFoundAndUntouched) {
    const fs::path day = pendingDay("2026-12-01");
    std::ofstream(totals) << "H 12/02/26\r\n";
    std::ofstream(store / "12QBImport.log", std::ios::binary) << importLogOf({{"1001", "10-1"}});
    // Another store's log and a file that is no log, in the same folder, and a log outside it.
    std::ofstream(store / "13QBImport.log", std::ios::binary) << importLogOf({{"2001", "20-1"}});
    std::ofstream(dir / "12QBImport.log", std::ios::binary) << importLogOf({{"3001", "30-1"}});
    for (const std::string& rest :
         {"/pending/2026-12-09/drop", "/pending/2026-12-1/drop", "/pending/12-01-2026/drop", "/pending/2026-13-01/drop",
          "/pending/..%5C2026-12-01/drop", "/pending/2026-12-01%00/drop", "/undo/13QBImport.log", "/undo/12X390.QB",
          "/undo/12QBImport.log.7", "/undo/%2E%2E%2F12QBImport.log", "/undo/..%2F12QBImport.log",
          "/undo/..%252F12QBImport.log", "/undo/../12QBImport.log"}) {
        for (const char* method : {"GET", "POST"}) {
            ConsoleReply reply = method == std::string("GET") ? ask("GET", address(rest))
                                                              : send(address(rest), "confirm=YES");
            EXPECT_TRUE(reply.status == 404 || reply.status == 400) << method << " " << rest << ": " << reply.status;
        }
    }
    EXPECT_EQ(ask("GET", "/console/stores/ffffffffffff/post").status, 404) << "no such store";
    EXPECT_EQ(ask("GET", "/console/jobs/..").status, 400);
    EXPECT_EQ(ask("GET", "/console/api/jobs/000000000000").status, 404);
    // The reconcile's choice is a position in the list as shown, nothing else.
    const std::string list = hidden(ask("GET", address("/reconcile")).body, "list");
    for (const std::string& choice : {"0", "3", "-1", "1%2F..", "..%2F12X390.QB", "99999", "", "1e0"})
        EXPECT_EQ(send(address("/reconcile"), "list=" + list + "&choice=" + choice).status, 400) << choice;
    EXPECT_TRUE(fs::exists(day));
    EXPECT_EQ(startedWith(), "") << "nothing was started";
    EXPECT_FALSE(fs::exists(operationLog));
}

TEST_F(ConsoleActionsTest, AnUndoTakesItsTypedYesAndTheLogAsShown) {
    const fs::path log = store / "12QBImport.log";
    std::ofstream(log, std::ios::binary) << importLogOf({{"1001", "10-1"}, {"1002", "10-2"}});
    ConsoleReply list = ask("GET", address("/undo"));
    EXPECT_NE(list.body.find("href=\"/console/stores/0a1b2c3d4e5f/undo/12QBImport.log\""), std::string::npos);
    ConsoleReply shown = ask("GET", address("/undo/12QBImport.log"));
    ASSERT_EQ(shown.status, 200);
    EXPECT_NE(shown.body.find("10-2"), std::string::npos);
    EXPECT_NE(shown.body.find("<label for=\"confirm\">"), std::string::npos);
    for (const ConsoleReply* page : {&list, &shown}) {
        int lists = 0;
        EXPECT_EQ(test::mislabelledCells(page->body, &lists), std::vector<std::string>{}) << "on a phone";
        EXPECT_EQ(lists, 1);
    }
    const std::string fingerprint = hidden(shown.body, "log");
    for (const std::string& answer : {"", "no", "YES+", "+YES", "Y"}) {
        ConsoleReply refused = send(address("/undo/12QBImport.log"), "log=" + fingerprint + "&confirm=" + answer);
        EXPECT_EQ(refused.status, 400) << answer;
        EXPECT_NE(refused.body.find("1002"), std::string::npos) << "the list again";
        EXPECT_NE(refused.body.find("role=\"alert\""), std::string::npos);
    }
    EXPECT_EQ(startedWith(), "");
    // A run wrote the log anew after the page was shown: those are other entries.
    std::ofstream(log, std::ios::binary) << importLogOf({{"1003", "10-3"}});
    ConsoleReply changed = send(address("/undo/12QBImport.log"), "log=" + fingerprint + "&confirm=YES");
    EXPECT_EQ(changed.status, 409);
    EXPECT_NE(changed.body.find("10-3"), std::string::npos);
    EXPECT_EQ(startedWith(), "");

    const std::string now = hidden(ask("GET", address("/undo/12QBImport.log")).body, "log");
    JobView job = endedJob(send(address("/undo/12QBImport.log"), "log=" + now + "&confirm=YES"));
    EXPECT_EQ(startedWith(), "undo\n--yes\n" + log.string() + "\n--\n");
    EXPECT_EQ(job.request.kind, "undo");
    EXPECT_NE(slurp(operationLog).find("from the console (browser at 10.1.2.3): ztl undo --yes"), std::string::npos);
}

TEST_F(ConsoleActionsTest, ALogWhoseRunPostedNothingOffersNoUndo) {
    std::ofstream(store / "12QBImport.log", std::ios::binary) << importLogOf({});
    ConsoleReply shown = ask("GET", address("/undo/12QBImport.log"));
    EXPECT_EQ(shown.status, 200);
    EXPECT_EQ(shown.body.find("name=\"confirm\""), std::string::npos);
    EXPECT_NE(shown.body.find("nothing to undo"), std::string::npos);
    ConsoleReply refused = send(address("/undo/12QBImport.log"), "confirm=YES");
    EXPECT_EQ(refused.status, 409);
    EXPECT_NE(refused.body.find("posted nothing that is still to be removed"), std::string::npos);
    EXPECT_EQ(startedWith(), "");
}

TEST_F(ConsoleActionsTest, OnePostPerStoreRunsAtATimeAndItsEndIsLogged) {
    std::ofstream(dir / "post.env") << "# the timer's options\nZTL_POST_OPTIONS=\"--single-store  --only-if-clean\"\n";
    std::ofstream(dir / "hold") << "";
    std::ofstream(dir / "exit") << "1";
    ConsoleReply confirm = ask("GET", address("/post"));
    EXPECT_NE(confirm.body.find("Update Selected"), std::string::npos);
    ConsoleReply first = send(address("/post"));
    ASSERT_EQ(first.status, 303);
    const std::string running = header(first, "Location");
    ConsoleReply second = send(address("/post"));
    EXPECT_EQ(second.status, 409);
    EXPECT_NE(second.body.find("href=\"" + running + "\""), std::string::npos) << "links to the running post";
    const ConsoleReply runningReply = ask("GET", running);
    const std::string& runningPage = runningReply.body;
    EXPECT_NE(runningPage.find("Running since"), std::string::npos);
    EXPECT_NE(runningPage.find("click Update Selected"), std::string::npos) << "says how to make the Web Connector call";
    EXPECT_EQ(header(runningReply, "Refresh"), "10") << "the page follows the running job without a script";
    EXPECT_NE(ask("GET", address("/post")).body.find("is still running: <a href=\"" + running + "\""),
              std::string::npos)
        << "the confirmation says so";
    fs::remove(dir / "hold");
    JobView job = endedJob(first);
    EXPECT_EQ(job.exitStatus, 1);
    EXPECT_EQ(zombieChildren(), 0) << "the post was waited for";
    EXPECT_EQ(startedWith(), "post\n--single-store\n--only-if-clean\n" + totals.string() + "\n--\n")
        << "the timer's options, the file, and no second start";
    ConsoleReply page = ask("GET", running);
    EXPECT_NE(page.body.find("the bookkeeper is needed"), std::string::npos) << page.body;
    EXPECT_EQ(header(page, "Refresh"), "") << "an ended job's page stays as it is";
    const std::string log = slurp(operationLog);
    EXPECT_NE(log.find("Store 12: the post of its pending days started from the console (browser at 10.1.2.3)"),
              std::string::npos)
        << log;
    EXPECT_NE(log.find("), started from the console: Ended with exit status 1"), std::string::npos) << log;
    // Once it has ended the next may start.
    EXPECT_EQ(endedJob(send(address("/post"))).exitStatus, 1);
}

TEST_F(ConsoleActionsTest, AJobsOutputIsTextAndBounded) {
    std::string output = "<script>alert('x')</script> & \"quotes\"\n";
    for (int i = 0; i < 40000; ++i) output += "line " + std::to_string(i) + " of a long reconcile\n";
    output += "the summary at the end\n";
    std::ofstream(dir / "output") << output;
    std::ofstream(totals) << "H 12/02/26\r\n";
    const std::string list = hidden(ask("GET", address("/reconcile")).body, "list");
    JobView job = endedJob(send(address("/reconcile"), "list=" + list + "&choice=1"));
    ConsoleReply page = ask("GET", "/console/jobs/" + job.id);
    EXPECT_EQ(page.body.find("<script>"), std::string::npos);
    EXPECT_NE(page.body.find("&lt;script&gt;alert("), std::string::npos);
    EXPECT_LT(page.body.size(), 300u * 1024) << "the output is bounded";
    EXPECT_NE(page.body.find("bytes of output left out here"), std::string::npos);
    EXPECT_NE(page.body.find("the summary at the end"), std::string::npos) << "the end is kept";
    auto json = nlohmann::json::parse(ask("GET", "/console/api/jobs/" + job.id).body);
    EXPECT_EQ(json["exitStatus"], 0);
    EXPECT_EQ(json["command"], "ztl reconcile " + totals.string());
}

TEST_F(ConsoleActionsTest, AReconcileTakesTheFileAtItsPositionInTheListAsShown) {
    std::ofstream(totals) << "H 12/03/26\r\n";
    const fs::path archive = store / "12X390.QB1220262130";
    std::ofstream(archive) << "H 12/02/26\r\n";
    ConsoleReply shown = ask("GET", address("/reconcile"));
    const std::string list =
        hidden(shown.body, "list");
    ASSERT_LT(shown.body.find("12X390.QB,"), shown.body.find("12X390.QB1220262130,")) << "the file itself first";
    // An import archives the day between showing and sending: the positions moved.
    fs::rename(totals, store / "12X390.QB1230262130");
    EXPECT_EQ(send(address("/reconcile"), "list=" + list + "&choice=2").status, 409);
    EXPECT_EQ(startedWith(), "");
    const std::string now = hidden(ask("GET", address("/reconcile")).body, "list");
    endedJob(send(address("/reconcile"), "list=" + now + "&choice=2"));
    EXPECT_EQ(startedWith(), "reconcile\n" + archive.string() + "\n--\n");
}

TEST_F(ConsoleActionsTest, DroppingAPendingDayArchivesItAndItsLogInProcess) {
    const fs::path day = pendingDay("2026-12-01", "H 12/01/26 the day's bytes\r\n");
    const fs::path dayLog = pendingFolder(totals) / "2026-12-01 12QBImport.log";
    std::ofstream(dayLog, std::ios::binary) << importLogOf({{"1001", "10-1"}});
    ConsoleReply confirm = ask("GET", address("/pending/2026-12-01/drop"));
    EXPECT_EQ(confirm.status, 200);
    EXPECT_NE(confirm.body.find("never deleted"), std::string::npos);
    ConsoleReply done = send(address("/pending/2026-12-01/drop"));
    EXPECT_EQ(done.status, 200) << done.body;
    EXPECT_FALSE(fs::exists(day));
    EXPECT_TRUE(pendingDaysOf(totals).empty());
    const fs::path archive = store / "12X390.QB128202695";
    EXPECT_EQ(slurp(archive), "H 12/01/26 the day's bytes\r\n");
    EXPECT_TRUE(fs::exists(store / "12QBImport.log.1")) << "its log kept beside the totals file's";
    EXPECT_NE(done.body.find("kept as " + archive.string()), std::string::npos);
    EXPECT_NE(slurp(operationLog).find("Store 12 (" + totals.string() +
                                       "): pending day 2026-12-01 dropped from the console (browser at 10.1.2.3): "
                                       "the pending day " + day.string()),
              std::string::npos)
        << slurp(operationLog);
    EXPECT_EQ(ask("GET", address("/pending/2026-12-01/drop")).status, 404) << "no longer pending";
}

TEST_F(ConsoleActionsTest, ADropWaitsForTheUnattendedRunThatHoldsTheStore) {
    const fs::path day = pendingDay("2026-12-01");
    // A live run of this computer holds the store's post lock.
    std::ofstream(postLockPath(totals)) << importLockText({computerName(), static_cast<long>(::getppid()),
                                                           unixSeconds(LocalDateTime{2026, 12, 8, 9, 0, 0}),
                                                           "12/08/2026 9:00:00 AM"});
    ConsoleReply refused = send(address("/pending/2026-12-01/drop"));
    EXPECT_EQ(refused.status, 409);
    EXPECT_NE(refused.body.find("an unattended run has been posting"), std::string::npos) << refused.body;
    EXPECT_TRUE(fs::exists(day));
    EXPECT_NE(slurp(operationLog).find("did not happen"), std::string::npos);
}

TEST(ConsoleJobs, TheNewestEndedJobsAreKeptAndAProgramThatCannotStartIsSaid) {
    ConsoleJobs missing(JobsSetup{"/nonexistent/ztl"});
    ConsoleJobs::Started refused = missing.start({"post", "k", "Store 1", "Post", {"post", "x"}});
    EXPECT_FALSE(refused.job);
    EXPECT_NE(refused.failure.find("/nonexistent/ztl could not be started"), std::string::npos) << refused.failure;

    ConsoleJobs jobs(JobsSetup{"/bin/echo", 2});
    std::vector<std::string> ids;
    for (int i = 0; i < 4; ++i) {
        ConsoleJobs::Started started = jobs.start({"reconcile", "k", "Store 1", "Reconcile", {std::to_string(i)}});
        ASSERT_TRUE(started.job) << started.failure;
        ids.push_back(started.job->id);
        for (int wait = 0; wait < 1000 && jobs.find(ids.back())->running(); ++wait)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        EXPECT_EQ(jobs.find(ids.back())->output, std::to_string(i) + "\n");
    }
    EXPECT_FALSE(jobs.find(ids[0]));
    EXPECT_FALSE(jobs.find(ids[1]));
    EXPECT_TRUE(jobs.find(ids[2]));
    EXPECT_TRUE(jobs.find(ids[3]));
    EXPECT_EQ(zombieChildren(), 0);
}

}  // namespace
}  // namespace ztl::qbwc
