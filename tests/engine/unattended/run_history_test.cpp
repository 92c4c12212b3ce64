// The record of the unattended runs as the console reads it back: whole runs only, however
// a writer was stopped, never more than the newest runs kept, and one id per run even when
// two runs of a store add theirs at once.
#include <gtest/gtest.h>

#include <fstream>
#include <set>
#include <thread>

#include "engine/unattended/run_history.h"
#include "tests/support/temp_folder.h"

namespace fs = std::filesystem;

namespace ztl {
namespace {

const StoreOfRuns kStore{"/mnt/STORESRV/CATCON/12X390.QB", "/mnt/STORESRV/CATCON/12X390.QB", "Store 12"};

RunEntry aRun(const std::string& start, const std::string& log = "") {
    RunEntry run;
    run.start = start;
    run.end = start;
    run.exitStatus = 1;
    run.headline = "Store 12, 04/01/25: 1 posted, 1 refused (101004)";
    run.counts.posted = 1;
    run.counts.refused = 1;
    run.mail = "not handed over";
    run.unsentMail = "2026-12-08 21-30-05 Store 12.eml";
    run.pending = {"2025-04-01"};
    RunDay day;
    day.date = "2025-04-01";
    day.dateText = "04/01/25";
    day.attempted = true;
    day.logName = "12QBImport.log";
    day.logBytes = log;
    day.transactions.push_back({"101004", "refused", "3120", "Error",
                                "Object \"Fixtures\" specified in the request cannot be found.  <script>\n"});
    run.days.push_back(day);
    return run;
}

std::string slurp(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

TEST(RunHistory, ARunComesBackAsItWasAddedWithItsLogUnderTheStoresKey) {
    testsupport::TempFolder dir("runs");
    EXPECT_EQ(storeKey(kStore.totalsFile), "ef3d4dbf62e1") << "the first 12 hex digits of its SHA-256";
    RunEntry run = aRun("2026-12-08T21:30:05Z", "Transaction : 1\r\nStatus Code = 3120\r\n");
    run.days[0].notPostedBecause = "not whole: caf\xE9";  // not UTF-8: never costs the run its record
    RunEntry second = aRun("2026-12-08T21:30:05Z");
    second.days.push_back(RunDay{});  // a day without a log or a date

    const std::string id = addRun(dir.path(), kStore, run);
    const std::string other = addRun(dir.path(), kStore, second);
    EXPECT_EQ(id, "20261208T213005Z-1");
    EXPECT_EQ(other, "20261208T213005Z-2") << "two runs started in one second";
    EXPECT_TRUE(isRunId(id));

    const fs::path folder = dir / "ef3d4dbf62e1";
    std::optional<StoreOfRuns> store = readStoreOfRuns(folder);
    ASSERT_TRUE(store);
    EXPECT_EQ(store->totalsFile, kStore.totalsFile);
    EXPECT_EQ(store->label, "Store 12");

    std::vector<RunEntry> back = readRuns(folder);
    ASSERT_EQ(back.size(), 2u);
    run.id = id;
    run.days[0].log = id + " 1.log";
    run.days[0].logBytes.clear();
    run.days[0].notPostedBecause = "not whole: caf\uFFFD";
    EXPECT_EQ(toJson(back[0]), toJson(run));
    EXPECT_EQ(slurp(folder / (id + " 1.log")), "Transaction : 1\r\nStatus Code = 3120\r\n");
    EXPECT_EQ(back[1].days.size(), 2u);
    EXPECT_EQ(back[1].days[0].log, "") << "a day without a log names none";
}

TEST(RunHistory, ALineCutShortByAKilledWriterIsSkippedAndTheNextRunIsNotGluedToIt) {
    testsupport::TempFolder dir("runs");
    addRun(dir.path(), kStore, aRun("2026-12-07T21:30:00Z"));
    const fs::path file = dir / storeKey(kStore.totalsFile) / kRunsFileName;
    std::ofstream(file, std::ios::app | std::ios::binary) << R"({"id":"20261208T213000Z-1","start":"2026-12)";
    EXPECT_EQ(readRuns(file.parent_path()).size(), 1u);

    addRun(dir.path(), kStore, aRun("2026-12-09T21:30:00Z"));
    std::vector<RunEntry> back = readRuns(file.parent_path());
    ASSERT_EQ(back.size(), 2u);
    EXPECT_EQ(back[1].id, "20261209T213000Z-1");

    std::ofstream(file, std::ios::app | std::ios::binary)
        << "not json at all\n{\"no\":\"id\"}\n"
        << R"({"id":"20261210T000000Z-1","counts":{"posted":1e46}})" << "\n"
        << R"({"id":"20261210T000000Z-2","exitStatus":4294967296})" << "\n";
    EXPECT_EQ(readRuns(file.parent_path()).size(), 2u) << "a line that is no run is no reason to lose the others";
}

TEST(RunHistory, OnlyTheNewestRunsAreKeptAndTheLogsOfTheOthersGo) {
    testsupport::TempFolder dir("runs");
    addRun(dir.path(), kStore, aRun("2025-01-01T00:00:00Z", "first"));
    const fs::path folder = dir / storeKey(kStore.totalsFile);
    // A full history written at once, a log each, and a log no run names (a writer killed
    // between the log and its line).
    std::string lines;
    for (size_t i = 0; i < kRunsKept; ++i) {
        RunEntry run = aRun("2025-06-01T00:00:00Z");
        run.id = "20250601T000000Z-" + std::to_string(i + 1);
        run.days[0].log = run.id + " 1.log";
        std::ofstream(folder / run.days[0].log) << i;
        lines += toJson(run).dump() + "\n";
    }
    std::ofstream(folder / kRunsFileName, std::ios::app) << lines;
    std::ofstream(folder / "20250101T000000Z-9 1.log") << "orphan";

    const std::string newest = addRun(dir.path(), kStore, aRun("2026-01-01T00:00:00Z", "newest"));
    std::vector<RunEntry> back = readRuns(folder);
    ASSERT_EQ(back.size(), kRunsKept);
    EXPECT_EQ(back.front().id, "20250601T000000Z-2") << "the two oldest went";
    EXPECT_EQ(back.back().id, newest);
    EXPECT_FALSE(fs::exists(folder / "20250101T000000Z-1 1.log"));
    EXPECT_FALSE(fs::exists(folder / "20250601T000000Z-1 1.log"));
    EXPECT_FALSE(fs::exists(folder / "20250101T000000Z-9 1.log"));
    EXPECT_TRUE(fs::exists(folder / "20250601T000000Z-2 1.log"));
    EXPECT_EQ(slurp(folder / (newest + " 1.log")), "newest");
}

TEST(RunHistory, ARunBegunStaysSeenUntilItsEndTakesItsPlaceAndPairsDoNotCrowdOutRuns) {
    testsupport::TempFolder dir("runs");
    const fs::path folder = dir / storeKey(kStore.totalsFile);
    RunEntry begun;
    begun.start = "2026-12-07T21:30:00Z";
    const std::string killed = addRun(dir.path(), kStore, begun);
    begun.start = "2026-12-08T21:30:00Z";
    const std::string id = addRun(dir.path(), kStore, begun);
    std::vector<RunEntry> back = readRuns(folder);
    ASSERT_EQ(back.size(), 2u);
    EXPECT_TRUE(back[1].end.empty()) << "a run at work, or killed, has no end";

    RunEntry ended = aRun("2026-12-08T21:30:00Z", "its log");
    ended.id = id;
    EXPECT_EQ(addRun(dir.path(), kStore, ended), id);
    back = readRuns(folder);
    ASSERT_EQ(back.size(), 2u) << "the end takes the beginning's place";
    EXPECT_EQ(back[0].id, killed);
    EXPECT_TRUE(back[0].end.empty()) << "the run killed on the way stays without an end";
    EXPECT_EQ(back[1].end, "2026-12-08T21:30:00Z");
    EXPECT_EQ(back[1].counts.refused, 1);
    EXPECT_EQ(slurp(folder / (id + " 1.log")), "its log");

    ended.id = "../elsewhere";
    EXPECT_THROW(addRun(dir.path(), kStore, ended), std::runtime_error);

    // Each run writes two lines: a history of them is made whole again before it grows past
    // the bound, and no run is let go while fewer than the bound are kept.
    std::string lines;
    for (int i = 0; i < 500; ++i) {
        RunEntry run = aRun("2026-01-01T00:00:00Z");
        run.id = "20260101T000000Z-" + std::to_string(i + 1);
        RunEntry start;
        start.id = run.id;
        start.start = run.start;
        lines += toJson(start).dump() + "\n" + toJson(run).dump() + "\n";
    }
    std::ofstream(folder / kRunsFileName, std::ios::app) << lines;
    addRun(dir.path(), kStore, aRun("2026-12-09T21:30:00Z"));
    back = readRuns(folder);
    EXPECT_EQ(back.size(), 503u);
    const std::string text = slurp(folder / kRunsFileName);
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 503);
    EXPECT_FALSE(back[2].end.empty()) << "the ended line of a pair is the one kept";
}

TEST(RunHistory, RunsAddedAtOnceEachGetAnIdOfTheirOwnAndAWholeLine) {
    testsupport::TempFolder dir("runs");
    std::vector<std::thread> writers;
    for (int w = 0; w < 6; ++w)
        writers.emplace_back([&] {
            for (int i = 0; i < 10; ++i) addRun(dir.path(), kStore, aRun("2026-12-08T21:30:05Z", "log"));
        });
    for (auto& t : writers) t.join();
    std::vector<RunEntry> back = readRuns(dir / storeKey(kStore.totalsFile));
    ASSERT_EQ(back.size(), 60u);
    std::set<std::string> ids;
    for (const RunEntry& r : back) ids.insert(r.id);
    EXPECT_EQ(ids.size(), 60u);
    EXPECT_EQ(back.back().id, "20261208T213005Z-60") << "ids sort as numbers, not as text";
}

TEST(RunHistory, AReportIsRecordedWithItsCountsDatesAndWhatWasRefused) {
    PostReport report;
    report.store = "Store 12";
    report.status = PostReport::Status::NeedsBookkeeper;
    report.pending = {"/mnt/s/pending/2025-04-01 12X390.QB", "/mnt/s/pending/2025-04-02 (2) 12X390.QB"};
    PostedDay held;
    held.source = "/mnt/s/pending/2025-04-01 12X390.QB";
    held.wasPending = true;
    held.dateText = "undated";
    held.flagged = {"101007: the account 9999 is not in the chart for Caf\xE9 M\xFCller"};
    held.notPostedBecause = "the check before posting flagged transactions";
    PostedDay today;
    today.source = "12X390.QB";
    today.notPostedBecause = "held in /mnt/Caf\u00E9";  // a path that is UTF-8 already
    today.dateText = "04/02/25";
    today.attempted = true;
    RunRecord run;
    using O = TransactionRecord::Outcome;
    for (O o : {O::Posted, O::Posted, O::Refused, O::AlreadyThere, O::NoAnswer}) {
        TransactionRecord t;
        t.outcome = o;
        t.referenceNumber = "1010" + std::to_string(run.transactions.size());
        if (o == O::Refused) t.statusCode = "3140", t.statusSeverity = "Error", t.statusMessage = "Invalid reference";
        if (o == O::NoAnswer) t.reason = "the answer was lost";
        run.transactions.push_back(t);
    }
    today.run = run;
    report.days = {held, today};

    RunEntry e = runEntryOf(report);
    EXPECT_EQ(e.headline, report.headline());
    EXPECT_EQ(e.counts.posted, 2);
    EXPECT_EQ(e.counts.refused, 1);
    EXPECT_EQ(e.counts.alreadyThere, 1);
    EXPECT_EQ(e.counts.noAnswer, 1);
    EXPECT_EQ(e.pending, (std::vector<std::string>{"2025-04-01", "2025-04-02"}));
    ASSERT_EQ(e.days.size(), 2u);
    EXPECT_EQ(e.days[0].date, "2025-04-01") << "a pending day by its copy's name";
    ASSERT_EQ(e.days[0].transactions.size(), 1u);
    EXPECT_EQ(e.days[0].transactions[0].reference, "101007");
    EXPECT_EQ(e.days[0].transactions[0].kind, "flagged");
    EXPECT_EQ(e.days[0].transactions[0].message, "the account 9999 is not in the chart for Caf\u00E9 M\u00FCller")
        << "the engine's Windows-1252 text is recorded as UTF-8";
    EXPECT_EQ(e.days[1].date, "2025-04-02") << "the totals file's day by its date";
    EXPECT_EQ(e.days[1].notPostedBecause, "held in /mnt/Caf\u00E9");
    ASSERT_EQ(e.days[1].transactions.size(), 2u);
    EXPECT_EQ(e.days[1].transactions[0].code, "3140");
    EXPECT_EQ(e.days[1].transactions[1].kind, "no answer");
    EXPECT_EQ(e.days[1].transactions[1].message, "the answer was lost");
}

}  // namespace
}  // namespace ztl
