// The import log as the record of what was posted: each transaction's block is in the file
// before the next request goes out, and the first failure to write it stops the run.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>

#include "import_runner.h"

using namespace ztl;
using namespace ztl::test;
namespace fs = std::filesystem;

TEST(ImportLog, ALogThatCannotBeWrittenStopsTheRunBeforeAnythingIsPosted) {
    ImportRunner r;
    std::string path = r.totals(transactions(3));
    fs::create_symlink("/dev/full", r.store.path() / "QBImport.log");
    r.import(path, Decimal::fromInt(3));
    EXPECT_EQ(r.t.prompter.texts(),
              (std::vector<std::string>{
                  "Error in module clsZTL.NewStartImport\r\nError # 61  \nDisk full\r\nLine # 240"}));
    EXPECT_TRUE(r.journalRequests().empty());
    EXPECT_EQ(r.results.shown, 0);
}

TEST(ImportLog, AFullDiskStopsTheRunAtTheFirstBlockItCannotWrite) {
    // The debug copies must fit under the limit: only the log may fill it.
    ImportRunner probe;
    probe.import(probe.totals(transactions(1)), Decimal::fromInt(1));
    ASSERT_EQ(probe.journalRequests().size(), 1u);

    const int written = 9;  // blocks that fit whole; the 10th does not
    std::string logged = kLogHead;
    for (int i = 1; i <= written; ++i) logged += acceptedBlock(i, std::to_string(i), i);
    const size_t limit = logged.size() + 40;
    ASSERT_GT(limit, probe.journalRequests()[0].size());

    ImportRunner r;
    std::string path = r.totals(transactions(12));
    // A file of this process may grow to `limit` bytes and no further, as a disk that fills.
    // The child tells the number of entries posted and of boxes shown in its exit status.
    auto importOnAFillingDisk = [&] {
        ::signal(SIGXFSZ, SIG_IGN);
        rlimit fileSize{limit, limit};
        ::setrlimit(RLIMIT_FSIZE, &fileSize);
        r.import(path, Decimal::fromInt(12));
        for (const auto& box : r.t.prompter.shown) std::fprintf(stderr, "%s\n", box.text.c_str());
        std::fflush(stderr);
        ::_exit(static_cast<int>(r.journalRequests().size() * 10 + r.t.prompter.shown.size()));
    };
    EXPECT_EXIT(importOnAFillingDisk(), ::testing::ExitedWithCode((written + 1) * 10 + 1),
                "^Error in module clsZTL.NewStartImport\r\nError # 61  \nDisk full\r\nLine # 430\r\n"
                "Transaction 10 \\(invoice 10\\) was sent to QuickBooks; its answer is not completely in the "
                "import log.\n$");
    EXPECT_EQ(r.log(), logged + acceptedBlock(written + 1, "10", written + 1).substr(0, 40))
        << "every posted transaction has its block; the one posted last is cut where the disk filled";
}

TEST(ImportLog, AKilledRunLeavesABlockForEveryTransactionPosted) {
    ImportRunner r;
    std::string path = r.totals(transactions(6));
    const int posted = 3;
    auto company = r.t.qb().answer;
    int entries = 0;
    // The program ends while QuickBooks works on the fourth entry.
    r.t.qb().answer = [&](const std::string& request) {
        if (request.find("JournalEntryAddRq") != std::string::npos && ++entries > posted) ::raise(SIGKILL);
        return company(request);
    };
    EXPECT_EXIT(r.import(path, Decimal::fromInt(6)), ::testing::KilledBySignal(SIGKILL), "");
    std::string logged = kLogHead;
    for (int i = 1; i <= posted; ++i) logged += acceptedBlock(i, std::to_string(i), i);
    EXPECT_EQ(r.log(), logged);

    // The dead run's lock does not keep the next run out.
    r.t.qb().answer = company;
    r.import(path, Decimal::fromInt(6));
    EXPECT_EQ(r.journalRequests().size(), 6u);
    EXPECT_NE(r.log().find(" taken over: that import had ended without releasing it.\r\n"),
              std::string::npos);
    EXPECT_TRUE(r.t.prompter.shown.empty());
}
