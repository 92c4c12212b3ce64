// The stores and their nights in the bookkeeper's console, as an intruder and then the
// bookkeeper meet them: nothing before sign-in, text from files and QuickBooks shown as
// text, no address reaching a file outside the run history, only listed logs downloaded;
// then the pending days with why each is held, the runs a page at a time, and the nights on
// the status page. The history is written by the run history's own writer.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <fstream>
#include <regex>

#include "bridge_fixture.h"
#include "list_cells.h"
#include "engine/unattended/run_history.h"
#include "qbwc/console/bookkeeper_console.h"
#include "qbwc/console/console_password_file.h"
#include "qbwc/console/console_store_pages.h"
#include "qbwc/console/next_timer_run.h"
#include "qbwc/console/timer_stores.h"
#include "qbwc/password_hash.h"
#include "tests/support/scoped_env.h"

namespace fs = std::filesystem;
using nlohmann::json;

namespace ztl::qbwc {
namespace {

using namespace std::chrono_literals;

const std::string kHostile = "Shop \"One\" <script>alert('x')</script> & Co";
const std::string kHostileShown = "Shop &quot;One&quot; &lt;script&gt;alert(&apos;x&apos;)&lt;/script&gt; &amp; Co";
const std::string kLogText = "LOG-OF-THE-NIGHT Transaction : 1\r\nStatus Code = 3140\r\nCaf\xE9\r\n";
const std::string kOutside = "SECRET-OUTSIDE-THE-RUNS-FOLDER";

RunEntry aRun(const std::string& start, int posted, int exitStatus) {
    RunEntry run;
    run.start = run.end = start;
    run.exitStatus = exitStatus;
    run.headline = "Store 12: " + std::to_string(posted) + " posted";
    run.counts.posted = posted;
    run.mail = exitStatus == 0 ? "not wanted" : "sent";
    return run;
}

class ConsoleStoresPages : public ::testing::Test {
  protected:
    test::TempFolder dir{"console_stores"};
    fs::path runs = dir / "state" / "runs";
    fs::path timers = dir / "config" / "timers.target.wants";
    fs::path shop = dir / "Shop <script>\"x\"";
    fs::path totals = shop / "12X390.QB";
    std::string key;
    std::string heldRun, lastRun;
    std::string postTime = "21:30";
    std::unique_ptr<BookkeeperConsole> console;

    void SetUp() override {
        fs::create_directories(shop / "pending");
        fs::create_directories(timers);
        std::ofstream(totals) << "Q\r\n";
        std::ofstream(shop / "pending" / "2025-04-01 12X390.QB") << "day 1";
        std::ofstream(shop / "pending" / "2025-04-02 12X390.QB") << "day 2";
        std::ofstream(shop / "pending" / "2025-04-03 12X390.QB") << "day 3";
        std::ofstream(shop / "pending" / "2025-04-04 12X390.QB.incomplete") << "half a day";
        std::ofstream(dir / "outside.log") << kOutside;
        key = storeKey(totals.string());

        const StoreOfRuns store{totals.string(), totals.string(), kHostile};
        addRun(runs, store, aRun("2025-03-31T21:30:00Z", 3, 0));
        RunEntry held = aRun("2025-04-01T21:30:00Z", 1, 1);
        RunDay day;
        day.date = "2025-04-01";
        day.dateText = "04/01/25";
        day.attempted = true;
        day.logName = "2025-04-01 12QBImport\".log";
        day.logBytes = kLogText;
        day.transactions.push_back({"101004", "refused", "3140", "Error",
                                    "There is an invalid reference to QuickBooks Account \"<script>alert(1)</script>\""});
        day.transactions.push_back({"101005", "refused", "9999", "Error", "Something new"});
        held.days.push_back(day);
        RunDay waited;
        waited.date = "2025-04-02";
        waited.dateText = "04/02/25";
        waited.notPostedBecause = "an earlier day is still pending, and days are posted in order";
        held.days.push_back(waited);
        held.pending = {"2025-04-01", "2025-04-02"};
        heldRun = addRun(runs, store, held);
        RunEntry away = aRun("2025-04-03T21:30:00Z", 0, 2);
        away.reason = "QuickBooks not reached through the Web Connector";
        away.pending = {"2025-04-01", "2025-04-02", "2025-04-03"};
        lastRun = addRun(runs, store, away);

        writeConsolePasswordHash(dir / "console-password", hashPassword(test::kPassword, 1000));
        ConsoleSetup setup{dir / "console-password", [] { return std::string("qbwc:127.0.0.1:8080"); },
                           "qbwc:127.0.0.1:8080", 30min, {}};
        auto stores = std::make_shared<ConsoleStores>(ConsoleStoresSetup{
            runs, timers, [](const std::string& path) { return "C:\\Books\\" + fs::path(path).filename().string() + ".qbw"; },
            [this] { return postTime; }});
        auto pages = std::make_shared<StorePages>(stores);
        setup.routes.push_back([pages](const ConsoleVisit& visit) { return pages->answer(visit); });
        setup.nights = [stores](std::chrono::system_clock::time_point now) { return stores->glance(now); };
        console = std::make_unique<BookkeeperConsole>(setup);
    }

    std::string storePage() const { return "/console/stores/" + key; }
    std::string runPage(const std::string& id) const { return storePage() + "/runs/" + id; }

    ConsoleReply ask(const std::string& method, const std::string& target, const std::string& cookie = "",
                     const std::string& body = "") {
        ConsoleRequest request{method, target, cookie, "application/x-www-form-urlencoded", body, "127.0.0.1", false};
        return console->answer(request, [] { return ServiceStatus{}; });
    }
    static std::string setCookie(const ConsoleReply& reply, const std::string& name) {
        for (const auto& [n, v] : reply.headers)
            if (n == "Set-Cookie" && v.starts_with(name + "=")) return v.substr(0, v.find(';'));
        return {};
    }
    static std::string header(const ConsoleReply& reply, const std::string& name) {
        for (const auto& [n, v] : reply.headers)
            if (n == name) return v;
        return {};
    }
    std::string signIn() {
        ConsoleReply page = ask("GET", "/console/");
        std::smatch token;
        std::regex_search(page.body, token, std::regex("name=\"token\" value=\"([0-9a-f]+)\""));
        ConsoleReply in = ask("POST", "/console/sign-in", setCookie(page, "zentrel_console_signin"),
                              "token=" + token[1].str() + "&password=s3cret%20pass");
        EXPECT_EQ(in.status, 303);
        return setCookie(in, "zentrel_console");
    }
    json data(const std::string& target, const std::string& session) {
        ConsoleReply reply = ask("GET", target, session);
        EXPECT_EQ(reply.status, 200) << target << reply.body;
        return json::parse(reply.body);
    }
};

TEST_F(ConsoleStoresPages, NothingOfAStoreIsShownBeforeSignIn) {
    const std::string log = runPage(heldRun) + "/log/1";
    for (const std::string& page : {std::string("/console/stores"), storePage(), storePage() + "?page=2",
                                    runPage(heldRun), log, log + "/download"}) {
        ConsoleReply reply = ask("GET", page);
        EXPECT_EQ(reply.status, 200) << page << " answers the sign-in page";
        EXPECT_NE(reply.body.find("action=\"/console/sign-in\""), std::string::npos) << page;
        for (const std::string& secret : {std::string("Shop"), std::string("LOG-OF-THE-NIGHT"), std::string("101004")})
            EXPECT_EQ(reply.body.find(secret), std::string::npos) << page << " shows " << secret;
        EXPECT_EQ(header(reply, "Content-Disposition"), "") << page;
    }
    for (const std::string& api : {std::string("/console/api/stores"), "/console/api/stores/" + key,
                                   "/console/api/stores/" + key + "/runs/" + heldRun}) {
        ConsoleReply reply = ask("GET", api);
        EXPECT_EQ(reply.status, 401) << api;
        EXPECT_EQ(reply.body.find("Shop"), std::string::npos) << api;
    }
}

TEST_F(ConsoleStoresPages, NamesPathsAndQuickBooksMessagesAreShownAsTextAndKeptWholeInTheData) {
    const std::string session = signIn();
    for (const std::string& page : {std::string("/console/stores"), storePage(), runPage(heldRun), std::string("/console/")}) {
        ConsoleReply reply = ask("GET", page, session);
        ASSERT_EQ(reply.status, 200) << page;
        EXPECT_EQ(reply.body.find("<script"), std::string::npos) << page;
        EXPECT_NE(reply.body.find(kHostileShown), std::string::npos) << page << " names the store";
    }
    const std::string store = ask("GET", storePage(), session).body;
    EXPECT_NE(store.find("Shop &lt;script&gt;&quot;x&quot;"), std::string::npos) << "the totals file's path";
    EXPECT_NE(store.find("Account &quot;&lt;script&gt;alert(1)&lt;/script&gt;&quot;"), std::string::npos);

    json stores = data("/console/api/stores", session);
    ASSERT_EQ(stores["stores"].size(), 1u);
    EXPECT_EQ(stores["stores"][0]["label"], kHostile);
    EXPECT_EQ(stores["stores"][0]["totalsFile"], totals.string());
    json run = data("/console/api/stores/" + key + "/runs/" + heldRun, session);
    EXPECT_EQ(run["days"][0]["transactions"][0]["message"],
              "There is an invalid reference to QuickBooks Account \"<script>alert(1)</script>\"");

    // The log is the engine's Windows-1252 text: shown as UTF-8, downloaded as it was kept.
    ConsoleReply shown = ask("GET", runPage(heldRun) + "/log/1", session);
    ASSERT_EQ(shown.status, 200);
    EXPECT_NE(shown.body.find("<pre class=\"log\">LOG-OF-THE-NIGHT Transaction : 1\r\nStatus Code = 3140\r\nCaf\u00E9"),
              std::string::npos)
        << shown.body;
    EXPECT_NE(shown.body.find("@media print"), std::string::npos);
}

TEST_F(ConsoleStoresPages, NoAddressReachesAFileOutsideTheRunHistory) {
    const std::string session = signIn();
    // The history's own record names a file outside it: never read.
    {
        std::ifstream in(runs / key / kRunsFileName);
        std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        const std::string forged = std::regex_replace(text, std::regex(heldRun + " 1\\.log"), "../../../outside.log");
        ASSERT_NE(forged, text);
        std::ofstream(runs / key / kRunsFileName, std::ios::trunc) << forged;
    }
    const std::string outsideKey = "../" + fs::relative(dir / "outside.log", runs).string();
    const std::string base = "/console/stores/";
    const std::string run = runPage(heldRun);
    std::vector<std::string> targets = {
        run + "/log/1", run + "/log/1/download",  // the forged name
        base + "..%2f..%2foutside.log", base + "%2e%2e/x", base + "%252e%252e/x", base + "..\\x",
        base + key + "/runs/..%2f..%2f..%2foutside.log", base + key + "/runs/%2e%2e", base + key + "/runs/%252e%252e",
        base + key + "/runs/" + heldRun + "/log/..%2f..%2foutside.log", run + "/log/%2e%2e", run + "/log/%252e%252e",
        run + "/log/..\\..\\outside.log", run + "/log/" + (dir / "outside.log").string(), run + "/log/0",
        run + "/log/01", run + "/log/-1", run + "/log/3", run + "/log/99999", run + "/log/1%00",
        base + key.substr(0, 11) + "X", base + key + "0", base + "/etc/passwd", base + outsideKey,
        base + key + "/runs/" + heldRun + "x", base + key + "/runs/20250401T213000Z-1%2f..",
        "/console/api/stores/" + key + "/runs/..%2f..", "/console/api/stores/%2e%2e",
        "/console/api/stores/" + (dir / "outside.log").string()};
    for (const std::string& target : targets) {
        ConsoleReply reply = ask("GET", target, session);
        EXPECT_TRUE(reply.status == 400 || reply.status == 404) << target << " answered " << reply.status;
        EXPECT_EQ(reply.body.find(kOutside), std::string::npos) << target;
        EXPECT_EQ(reply.body.find("LOG-OF-THE-NIGHT"), std::string::npos) << target;
    }
}

TEST_F(ConsoleStoresPages, ADownloadNamesOnlyALogTheRunListsUnderItsOwnNameQuotedSafely) {
    const std::string session = signIn();
    ConsoleReply file = ask("GET", runPage(heldRun) + "/log/1/download", session);
    ASSERT_EQ(file.status, 200);
    EXPECT_EQ(file.body, kLogText) << "byte for byte";
    EXPECT_EQ(header(file, "Content-Disposition"),
              "attachment; filename=\"2025-04-01 12QBImport_.log\"; "
              "filename*=UTF-8''2025-04-01%2012QBImport%22.log");
    // A log file lying in the store's folder that no run lists is not served.
    std::ofstream(runs / key / (heldRun + " 2.log")) << kOutside;
    EXPECT_EQ(ask("GET", runPage(heldRun) + "/log/2/download", session).status, 404);
    EXPECT_EQ(ask("GET", runPage(lastRun) + "/log/1/download", session).status, 404) << "a run without days";
    EXPECT_EQ(ask("POST", runPage(heldRun) + "/log/1/download", session, "token=x").status, 403);
}

TEST_F(ConsoleStoresPages, EachPendingDaySaysWhyItIsHeldAndWhatToDo) {
    const std::string session = signIn();
    json store = data("/console/api/stores/" + key, session);
    EXPECT_EQ(store["company"], "C:\\Books\\12X390.QB.qbw");
    EXPECT_EQ(store["pendingCount"], 4);
    EXPECT_EQ(store["lastRun"]["id"], lastRun);
    ASSERT_EQ(store["pendingDays"].size(), 4u);
    const json& refused = store["pendingDays"][0];
    EXPECT_EQ(refused["date"], "2025-04-01");
    EXPECT_EQ(refused["dropUrl"], "/console/stores/" + key + "/pending/2025-04-01/drop");
    ASSERT_EQ(refused["why"].size(), 2u);
    EXPECT_EQ(refused["why"][0]["kind"], "last run") << "the last run did nothing since";
    EXPECT_EQ(refused["why"][0]["text"], "QuickBooks not reached through the Web Connector");
    const json& list = refused["why"][1]["transactions"];
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(refused["why"][1]["run"]["id"], heldRun);
    EXPECT_NE(list[0]["step"].get<std::string>().find("Add it in QuickBooks"), std::string::npos);
    EXPECT_TRUE(list[1]["step"].is_null()) << "no advice made up for a status not in the table";
    EXPECT_EQ(store["pendingDays"][1]["why"][1]["text"], "an earlier day is still pending, and days are posted in order");
    EXPECT_EQ(store["pendingDays"][2]["why"][0]["text"], "QuickBooks not reached through the Web Connector")
        << "a day no run tried, held because the last run reached no QuickBooks";
    EXPECT_TRUE(store["pendingDays"][3]["incomplete"]);
    EXPECT_TRUE(store["pendingDays"][3]["dropUrl"].is_null());

    ConsoleReply page = ask("GET", storePage(), session);
    for (const char* link : {"/pending/2025-04-01/drop\">Drop…", "/post\">Post the pending days…",
                                    "/reconcile\">Reconcile…", "/undo\">Undo a run…"})
        EXPECT_NE(page.body.find("href=\"/console/stores/" + key + std::string(link)), std::string::npos) << link;

    fs::remove_all(runs / key);
    EXPECT_EQ(ask("GET", storePage(), session).status, 404) << "a store is known by its history or its timer";
}

TEST_F(ConsoleStoresPages, OnAPhoneEveryCellOfTheListsNamesItsColumn) {
    const std::string session = signIn();
    // The stores; the store's refusals and runs; the run's refusals.
    for (const auto& [page, tables] : {std::pair{std::string("/console/stores"), 1}, std::pair{storePage(), 2},
                                       std::pair{runPage(heldRun), 1}}) {
        int lists = 0;
        EXPECT_EQ(test::mislabelledCells(ask("GET", page, session).body, &lists), std::vector<std::string>{}) << page;
        EXPECT_EQ(lists, tables) << page;
    }
}

TEST_F(ConsoleStoresPages, ATimerMakesAStoreKnownWithItsNextRunReckonedFromPostTime) {
    const std::string session = signIn();
    const fs::path other = dir / "STORE SRV" / "CAT-CON" / "7X390.QB";
    fs::create_directories(other.parent_path() / "pending");
    std::ofstream(other.parent_path() / "pending" / "2025-05-01 7X390.QB") << "a day";
    // As systemctl enable links it: the path escaped as systemd-escape --path does.
    std::string escaped;
    for (char c : other.string().substr(1)) {
        if (c == '/') escaped += '-';
        else if (c == ' ') escaped += "\\x20";
        else if (c == '-') escaped += "\\x2d";
        else escaped += c;
    }
    fs::create_symlink("/usr/lib/systemd/user/zentrel-post@.timer", timers / ("zentrel-post@" + escaped + ".timer"));
    postTime = "06:15";

    json stores = data("/console/api/stores", session);
    ASSERT_EQ(stores["stores"].size(), 2u);
    const json& seven = stores["stores"][1];  // by label: "Shop ..." before "Store 7"
    EXPECT_EQ(seven["label"], "Store 7");
    EXPECT_EQ(seven["totalsFile"], other.string());
    EXPECT_EQ(seven["key"], storeKey(other.string()));
    EXPECT_FALSE(seven["totals"]["present"]);
    EXPECT_TRUE(seven["lastRun"].is_null());
    EXPECT_TRUE(stores["stores"][0]["nextRun"].is_null()) << "no timer, no next timer run";
    const std::string next = seven["nextRun"]["shown"];
    EXPECT_EQ(next.substr(11), "06:15");

    json store = data("/console/api/stores/" + seven["key"].get<std::string>(), session);
    ASSERT_EQ(store["pendingDays"].size(), 1u);
    EXPECT_EQ(store["pendingDays"][0]["why"][0]["text"], "not tried yet");

    json status = data("/console/api/status", session);
    EXPECT_EQ(status["nights"]["lastPosted"]["run"]["id"], heldRun) << "the newest run that posted anything";
    ASSERT_EQ(status["nights"]["nextRuns"].size(), 1u);
    EXPECT_EQ(status["nights"]["nextRuns"][0]["label"], "Store 7");
    ConsoleReply page = ask("GET", "/console/", session);
    EXPECT_NE(page.body.find("The last run that posted"), std::string::npos);
    EXPECT_NE(page.body.find("Next timer run of <a href=\"/console/stores/" + seven["key"].get<std::string>() +
                             "\">Store 7</a>"),
              std::string::npos)
        << page.body;
}

TEST_F(ConsoleStoresPages, ARunThatNeverEndedIsShownAsSuchAndNotAsItsExitStatus) {
    const std::string session = signIn();
    RunEntry begun;
    begun.start = "2025-04-04T21:30:00Z";
    const std::string id = addRun(runs, {totals.string(), totals.string(), kHostile}, begun);
    const json run = data("/console/api/stores/" + key + "/runs/" + id, session);
    EXPECT_FALSE(run["ended"].get<bool>());
    EXPECT_TRUE(run["exitStatus"].is_null()) << "no exit status was ever recorded";
    EXPECT_TRUE(run["end"].is_null());
    EXPECT_TRUE(run["counts"].is_null()) << "what it posted before it stopped is not known, not 0";
    const std::string stores = ask("GET", "/console/stores", session).body;
    EXPECT_NE(stores.find("2025-04-04 21:30 (begun, not ended)</a>: not ended: still running, or stopped"),
              std::string::npos)
        << "the store's last run is the one that never ended";
    const std::string page = ask("GET", runPage(id), session).body;
    EXPECT_NE(page.find("<h1>The run of 2025-04-04 21:30 (begun, not ended)</h1>"), std::string::npos) << page;
    EXPECT_NE(page.find("<th scope=\"row\">Ended</th><td>not recorded</td>"), std::string::npos);
    EXPECT_EQ(page.find("<td>2, "), std::string::npos) << "no exit status is made up";
    EXPECT_NE(page.find("What it posted</th><td>not known"), std::string::npos);
    EXPECT_NE(page.find("Pending days left</th><td>not recorded"), std::string::npos);
    EXPECT_EQ(page.find("<th scope=\"row\">Posted</th>"), std::string::npos);
    // The held day's reason still comes from the run that found it.
    const std::string store = ask("GET", storePage(), session).body;
    EXPECT_NE(store.find("3140"), std::string::npos);
}

TEST_F(ConsoleStoresPages, RunsArePagedNewestFirstAndANewRunShowsAtOnce) {
    const std::string session = signIn();
    EXPECT_EQ(data("/console/api/stores/" + key, session)["runs"]["total"], 3);
    const StoreOfRuns store{totals.string(), totals.string(), kHostile};
    std::string newest;
    for (int i = 0; i < 117; ++i) newest = addRun(runs, store, aRun("2025-06-01T21:30:00Z", i, 0));
    json first = data("/console/api/stores/" + key, session)["runs"];
    EXPECT_EQ(first["total"], 120);
    EXPECT_EQ(first["pages"], 3);
    ASSERT_EQ(first["items"].size(), 50u);
    EXPECT_EQ(first["items"][0]["id"], newest);
    EXPECT_TRUE(first["newer"].is_null());
    EXPECT_EQ(first["older"], "/console/stores/" + key + "?page=2");
    json last = data("/console/api/stores/" + key + "?page=3", session)["runs"];
    ASSERT_EQ(last["items"].size(), 20u);
    EXPECT_EQ(last["items"][19]["id"], "20250331T213000Z-1") << "the oldest run last";
    EXPECT_EQ(data("/console/api/stores/" + key + "?page=99", session)["runs"]["page"], 3);
    EXPECT_EQ(data("/console/api/stores/" + key + "?page=x", session)["runs"]["page"], 1);
    ConsoleReply page = ask("GET", storePage() + "?page=2", session);
    EXPECT_NE(page.body.find("page 2 of 3"), std::string::npos);
    EXPECT_NE(page.body.find("?page=1\">Newer runs"), std::string::npos);
}

TEST(TimerStores, AnInstanceIsUnescapedAsSystemdDoesOrRefused) {
    EXPECT_EQ(unescapedPath("mnt-STORE\\x20SRV-CAT\\x2dCON-12X390.QB"), "/mnt/STORE SRV/CAT-CON/12X390.QB");
    EXPECT_EQ(unescapedPath("-"), "/");
    EXPECT_EQ(unescapedPath("\\x2ehidden-a"), "/.hidden/a");
    for (const char* bad : {"mnt-..-etc-passwd", "mnt--x", "mnt-x-", "mnt-.-x", "a\\x2", "a\\x00b", "a\\y20b", ""})
        EXPECT_EQ(unescapedPath(bad), std::nullopt) << bad;
}

TEST(TimerStores, TheNextRunIsTheFirstPostTimeAfterNow) {
    struct Reset {
        ~Reset() { ::tzset(); }  // once the zone is put back
    } reset;
    ztl::test::ScopedEnv zone("TZ", "UTC");
    ::tzset();
    const auto at = [](int day, int hour, int minute) {
        std::tm t{};
        t.tm_year = 2026 - 1900, t.tm_mon = 11, t.tm_mday = day, t.tm_hour = hour, t.tm_min = minute;
        return std::chrono::system_clock::from_time_t(timegm(&t));
    };
    EXPECT_EQ(nextTimerRun("21:30", at(8, 20, 0)), at(8, 21, 30));
    EXPECT_EQ(nextTimerRun("21:30", at(8, 21, 30)), at(9, 21, 30)) << "a run at this minute is no longer next";
    EXPECT_EQ(nextTimerRun("00:05", at(31, 23, 59)), at(32, 0, 5)) << "into the next month";
    EXPECT_EQ(nextTimerRun("25:00", at(8, 22, 0)), at(9, 21, 30)) << "the default's time for a broken setting";
}

}  // namespace
}  // namespace ztl::qbwc
