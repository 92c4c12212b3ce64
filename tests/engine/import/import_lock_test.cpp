// One import of a totals file at a time: the lock beside the file, when the run that holds
// it has died, and what a run that finds it held does (nothing but tell the operator).
#include "engine/import/import_lock.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>

#include "engine/import/cls_ztl.h"
#include "import_runner.h"
#include "platform/computer_name.h"
#include "platform/text_file.h"

using namespace ztl;
using namespace ztl::test;
namespace fs = std::filesystem;

namespace {

constexpr std::int64_t kHour = 3600;

// The id of a process that has ended.
long endedProcess() {
    pid_t pid = ::fork();
    if (pid == 0) ::_exit(0);
    ::waitpid(pid, nullptr, 0);
    return pid;
}

std::int64_t now(const ImportRunner& r) {
    return unixSeconds(r.t.clock.now());
}

fs::path lockOf(const std::string& totalsPath) {
    return importLockPath(totalsPath);
}

}  // namespace

TEST(ImportLock, TheLockFileNamesItsRun) {
    ImportRun run{"TILL-2", 4242, 1796622350, "12/07/2026 9:05:03 PM"};
    EXPECT_EQ(importLockText(run),
              "workstation=TILL-2\r\nprocess=4242\r\nstarted=1796622350\r\nsince=12/07/2026 9:05:03 PM\r\n");
    EXPECT_EQ(parseImportLock(importLockText(run)), run);
    const char* unreadable[] = {"",
                                "workstation=TILL-2\r\n",
                                "process=4242\r\n",
                                "workstation=TILL-2\r\nprocess=many\r\n",
                                "workstation=TILL-2\r\nprocess=0\r\n",
                                "\x01\x02\xff"};
    for (const char* text : unreadable) EXPECT_FALSE(parseImportLock(text)) << text;
    EXPECT_EQ(importLockPath("/srv/catcon/3X390.QB"), "/srv/catcon/3X390.QB.lock");
}

TEST(ImportLock, ARunHasDiedWhenItsProcessIsGoneOrItsLockIsADayOld) {
    const std::string self = computerName();
    const long ended = endedProcess();
    const std::int64_t t = 1796622350;
    const struct {
        ImportRun holder;
        bool died;
        const char* what;
    } cases[] = {
        {{self, ::getpid(), t, ""}, false, "this workstation, a process that runs"},
        {{self, ended, t, ""}, true, "this workstation, a process that has ended"},
        {{"TILL-2", ended, t, ""}, false, "another workstation's process cannot be asked"},
        {{"TILL-2", ended, t - kImportLockMaxAge, ""}, false, "a day old exactly"},
        {{"TILL-2", ended, t - kImportLockMaxAge - 1, ""}, true, "older than a day"},
        {{self, ::getpid(), t - 2 * kImportLockMaxAge, ""}, true, "older than a day, whoever holds it"},
        {{"", 0, t, ""}, false, "an unreadable lock of today"},
    };
    for (const auto& c : cases) EXPECT_EQ(importRunHasDied(c.holder, self, t), c.died) << c.what;
    std::string other = self;
    for (char& ch : other)
        ch = static_cast<char>(std::islower(static_cast<unsigned char>(ch)) ? std::toupper(ch)
                                                                            : std::tolower(ch));
    EXPECT_TRUE(importRunHasDied({other, ended, t, ""}, self, t)) << "computer names ignore letter case";
}

TEST(ImportLock, ARunThatFindsTheLockHeldPostsNothingAndSaysWhoHoldsIt) {
    const struct {
        const char* what;
        std::function<std::string(const ImportRunner&)> lockText;  // empty text: an unreadable lock
        std::string holder;
    } cases[] = {
        {"another workstation, an hour ago",
         [](const ImportRunner& r) {
             return importLockText({"TILL-2", 4242, now(r) - kHour, "12/07/2026 8:05:03 PM"});
         },
         "workstation TILL-2 (process 4242, since 12/07/2026 8:05:03 PM)"},
        {"this workstation, a process that runs",
         [](const ImportRunner& r) {
             return importLockText({computerName(), ::getpid(), now(r), ""});
         },
         "workstation " + computerName() + " (process " + std::to_string(::getpid()) + ")"},
        {"a lock whose text cannot be read", [](const ImportRunner&) { return std::string("\x01\x02"); },
         "another workstation"},
    };
    for (const auto& c : cases) {
        ImportRunner r;
        std::string path = r.totals(transactions(2));
        const std::string lock = c.lockText(r);
        writeWholeFile(lockOf(path), lock);
        writeWholeFile(r.store.path() / "QBImport.log", "the other run's log");
        r.import(path, Decimal::fromInt(2));

        ASSERT_EQ(r.t.prompter.shown.size(), 1u) << c.what;
        EXPECT_EQ(r.t.prompter.shown[0].text, "The totals file " + path + " is already being imported by " +
                                                  c.holder +
                                                  ".\nA totals file cannot be imported twice at once: this "
                                                  "import has posted nothing.\nStart it again when the other "
                                                  "import has ended.")
            << c.what;
        EXPECT_EQ(r.t.prompter.shown[0].icon, MsgIcon::Exclamation);
        EXPECT_TRUE(r.t.qb().requests.empty()) << c.what << ": not even the chart is asked for";
        EXPECT_EQ(r.log(), "the other run's log") << c.what;
        EXPECT_EQ(readWholeFile(lockOf(path)), lock) << c.what << ": the holder keeps its lock";
        EXPECT_EQ(r.results.shown, 0) << c.what;
    }
}

TEST(ImportLock, ADeadRunsLockIsTakenOverWithANoteInTheLog) {
    const long ended = endedProcess();
    const struct {
        const char* what;
        std::function<void(const ImportRunner&, const fs::path&)> leave;
        std::string note;
    } cases[] = {
        {"this workstation, its process ended",
         [&](const ImportRunner& r, const fs::path& lock) {
             writeWholeFile(lock, importLockText({computerName(), ended, now(r), "12/07/2026 9:00:00 PM"}));
         },
         "Import lock of workstation " + computerName() + " (process " + std::to_string(ended) +
             ", since 12/07/2026 9:00:00 PM) taken over"},
        {"another workstation, two days ago",
         [](const ImportRunner& r, const fs::path& lock) {
             writeWholeFile(lock,
                            importLockText({"TILL-2", 4242, now(r) - 48 * kHour, "12/05/2026 9:05:03 PM"}));
         },
         "Import lock of workstation TILL-2 (process 4242, since 12/05/2026 9:05:03 PM) taken over"},
        {"an unreadable lock last written two days ago",
         [](const ImportRunner& r, const fs::path& lock) {
             writeWholeFile(lock, "");
             auto twoDaysAgo = std::chrono::system_clock::from_time_t(now(r) - 48 * kHour);
             fs::last_write_time(lock, std::chrono::file_clock::from_sys(twoDaysAgo));
         },
         "Import lock of another workstation taken over"},
        {"a lock left without its text a minute ago (its run killed as it made it)",
         [](const ImportRunner& r, const fs::path& lock) {
             writeWholeFile(lock, "");
             auto aMinuteAgo = std::chrono::system_clock::from_time_t(now(r) - 60);
             fs::last_write_time(lock, std::chrono::file_clock::from_sys(aMinuteAgo));
         },
         "Import lock of another workstation taken over"},
    };
    for (const auto& c : cases) {
        ImportRunner r;
        std::string path = r.totals(transactions(1));
        c.leave(r, lockOf(path));
        r.import(path, Decimal::fromInt(1));
        EXPECT_TRUE(r.t.prompter.shown.empty()) << c.what;
        EXPECT_EQ(r.log(), std::string(kLogHead) + c.note +
                               ": that import had ended without releasing it.\r\n \r\n" +
                               acceptedBlock(1, "1", 1))
            << c.what;
        EXPECT_FALSE(fs::exists(lockOf(path))) << c.what << ": released at the end";
        EXPECT_EQ(std::distance(fs::directory_iterator(r.store.path()), fs::directory_iterator()), 2)
            << c.what << ": the totals file and its log, nothing left aside";
    }
}

TEST(ImportLock, OfTwoRunsOfOneFileAtOnceTheSecondIsRefused) {
    ImportRunner first, second;
    std::string path = first.totals(transactions(3));
    auto company = first.t.qb().answer;
    bool started = false;
    first.t.qb().answer = [&](const std::string& request) {
        // While QuickBooks posts the first run's first entry, the second run starts.
        if (!started && request.find("JournalEntryAddRq") != std::string::npos) {
            started = true;
            EXPECT_TRUE(fs::exists(lockOf(path)));
            second.import(path, Decimal::fromInt(3));
        }
        return company(request);
    };
    first.import(path, Decimal::fromInt(3));
    ASSERT_TRUE(started);
    EXPECT_EQ(first.journalRequests().size(), 3u);
    EXPECT_TRUE(first.t.prompter.shown.empty());
    EXPECT_EQ(first.log().find("Transaction : 3    Invoice : 3\r\n") != std::string::npos, true)
        << "the second run left the first run's log alone";
    EXPECT_TRUE(second.t.qb().requests.empty());
    ASSERT_EQ(second.t.prompter.shown.size(), 1u);
    EXPECT_NE(
        second.t.prompter.shown[0].text.find("is already being imported by workstation " + computerName() +
                                             " (process " + std::to_string(::getpid()) + ", since "),
        std::string::npos);
    EXPECT_FALSE(fs::exists(lockOf(path)));

    // Once the first run has ended, the file can be imported again.
    second.import(path, Decimal::fromInt(3));
    EXPECT_EQ(second.journalRequests().size(), 3u);
}

TEST(ImportLock, ALockThatCannotBeMadeStopsTheRunOnceItsLogIsOpen) {
    ImportRunner r;
    std::string path = r.totals(transactions(1));
    fs::create_directory(lockOf(path));  // the lock's name is taken by something that is no lock
    r.import(path, Decimal::fromInt(1));
    EXPECT_EQ(
        r.t.prompter.texts(),
        (std::vector<std::string>{
            "Error in module clsZTL.NewStartImport\r\nError # 75  \nPath/File access error\r\nLine # 250"}));
    EXPECT_TRUE(r.journalRequests().empty());
    EXPECT_EQ(r.log(), kLogHead);
}
