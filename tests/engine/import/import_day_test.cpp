// A day imported and its totals file settled, in both editions: what the run's record
// decides about the company and the file, and what the operator is told when the file
// stays where it is against expectation.
#include "engine/import/import_day.h"
#include "engine/import/cls_ztl.h"
#include "engine/company/import_log.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "engine/company/company_memory.h"
#include "engine/import/import_lock.h"
#include "import_runner.h"
#include "platform/text_file.h"

namespace fs = std::filesystem;
using namespace ztl;
using namespace ztl::test;

namespace {

// The archive name the fixed clock gives: 7 December 2026, 21:05.
std::string archiveOf(const std::string& path) {
    return path + "1272026215";
}

// Another workstation's run holds the file's import lock.
void lockElsewhere(const ImportRunner& r, const std::string& path) {
    writeWholeFile(importLockPath(path), importLockText({"TILL-2", 4242, unixSeconds(r.t.clock.now()), ""}));
}

// QuickBooks cannot tell which transactions it holds already.
void unanswerable(ImportRunner& r) {
    r.postedAnswer =
        "<?xml version=\"1.0\" ?><QBXML><QBXMLMsgsRs><JournalEntryQueryRs requestID=\"1\" statusCode=\"3000\" "
        "statusSeverity=\"Error\" statusMessage=\"The given object ID is invalid.\"/></QBXMLMsgsRs></QBXML>";
}

const std::string kCompany = "/qb/Shop.qbw";

}  // namespace

TEST(StoreDayImport, TheFileMovesToItsArchiveAfterTheRunAndTheStoreKeepsItsCompany) {
    ImportRunner r;
    const std::string path = r.totals(transactions(2));
    bool stoodDuringCallersWork = false;
    DayOutcome done = importDay(r.t.program, {.transactionCount = Decimal::fromInt(2),
                                              .source = path,
                                              .companyFile = kCompany,
                                              .afterRun = [&](const RunRecord&) { stoodDuringCallersWork = fs::exists(path); }});
    ASSERT_TRUE(done.run);
    EXPECT_EQ(done.run->inQuickBooks(), 2);
    EXPECT_TRUE(stoodDuringCallersWork) << "the caller's work comes before the file moves";
    ASSERT_TRUE(done.file);
    EXPECT_EQ(done.file->archive, archiveOf(path));
    EXPECT_TRUE(done.whole);
    EXPECT_FALSE(fs::exists(path));
    EXPECT_EQ(readWholeFile(archiveOf(path)), transactions(2));
    EXPECT_EQ(lastCompanyOf(r.t.program, path), kCompany);
    EXPECT_TRUE(r.t.prompter.shown.empty());

    // A run that stops early leaves the file for the next import, which sends only what is
    // missing; the log's summary says so.
    const std::string broken = r.totals(file({H("1"), "TRT    1"}));
    done = importDay(r.t.program, {.transactionCount = Decimal::fromInt(1), .source = broken, .companyFile = kCompany});
    EXPECT_FALSE(done.run->reachedEnd);
    EXPECT_FALSE(done.whole);
    EXPECT_EQ(done.file->fate, TotalsFileFate::StoppedEarly);
    EXPECT_TRUE(fs::exists(broken));
    EXPECT_TRUE(readWholeFile(importlog::logPathFor(broken))
                    .ends_with("\r\nTotals file : left where it is: the import stopped before every "
                               "transaction was sent\r\n \r\n"));
}

TEST(StoreDayImport, ARunThatSentNothingLeavesTheFileAndTheCompanyAlone) {
    const struct {
        const char* what;
        std::function<void(ImportRunner&, const std::string&)> setUp;
    } cases[] = {
        {"another workstation's run has the file", [](ImportRunner& r, const std::string& p) { lockElsewhere(r, p); }},
        {"QuickBooks could not be asked what it holds", [](ImportRunner& r, const std::string&) { unanswerable(r); }},
    };
    for (const auto& c : cases) {
        ImportRunner r;
        const std::string path = r.totals(transactions(2));
        c.setUp(r, path);
        DayOutcome done =
            importDay(r.t.program, {.transactionCount = Decimal::fromInt(2), .source = path, .companyFile = kCompany});
        ASSERT_TRUE(done.run) << c.what;
        EXPECT_TRUE(done.run->lockHeldElsewhere || done.run->stoppedUnasked) << c.what;
        EXPECT_FALSE(done.file && done.file->fate == TotalsFileFate::Archived) << c.what;
        EXPECT_EQ(readWholeFile(path), transactions(2)) << c.what;
        EXPECT_EQ(lastCompanyOf(r.t.program, path), "") << c.what;
    }
}

TEST(StoreDayImport, AFileNotToBeSettledStaysAndTheStoreKeepsItsCompany) {
    ImportRunner r;
    const std::string path = r.totals(transactions(1));
    DayOutcome done = importDay(
        r.t.program,
        {.transactionCount = Decimal::fromInt(1), .source = path, .companyFile = kCompany, .settleFile = false});
    EXPECT_TRUE(done.run->reachedEnd);
    EXPECT_FALSE(done.file);
    EXPECT_EQ(readWholeFile(path), transactions(1));
    EXPECT_EQ(lastCompanyOf(r.t.program, path), kCompany);
}

namespace {

// The single-store window's engine object after its load: the chart, then the totals.
struct SingleStoreDay : ImportRunner {
    clsZTL engine{t.program};
    explicit SingleStoreDay(const std::string& bytes) : path(totals(bytes)) {
        t.program.setEdition(Edition::SingleStore);
        t.program.operationLogPath = store.path() / "ztloperation.log";
        engine.LoadQbCoa();
        engine.X390source(path);
        engine.Load390();
    }
    std::string operationLog() const { return readWholeFile(store.path() / "ztloperation.log"); }
    const std::string path;
};

}  // namespace

TEST(SingleStoreDayImport, TheFileGoesWhenEveryTransactionIsPostedAndIsArchivedOtherwise) {
    SingleStoreDay all(transactions(2));
    DayOutcome done = importDay(all.t.program, {.source = all.path, .settleFile = true, .engine = &all.engine});
    ASSERT_TRUE(done.file);
    EXPECT_EQ(done.file->fate, TotalsFileFate::Removed);
    EXPECT_FALSE(fs::exists(all.path));
    EXPECT_TRUE(all.t.prompter.shown.empty());

    SingleStoreDay refused(transactions(2));
    refused.journalAnswers.push_back(journalResponse("3140", "Error", "There is an invalid reference"));
    done = importDay(refused.t.program, {.source = refused.path, .settleFile = true, .engine = &refused.engine});
    ASSERT_TRUE(done.file);
    EXPECT_EQ(done.file->fate, TotalsFileFate::Archived);
    EXPECT_EQ(done.file->archive, archiveOf(refused.path));
    EXPECT_EQ(readWholeFile(archiveOf(refused.path)), transactions(2));
    EXPECT_FALSE(fs::exists(refused.path));

    SingleStoreDay kept(transactions(2));
    done = importDay(kept.t.program, {.source = kept.path, .settleFile = false, .engine = &kept.engine});
    EXPECT_TRUE(done.run && done.run->reachedEnd);
    EXPECT_FALSE(done.file) << "a file not to be settled has no fate";
    EXPECT_EQ(readWholeFile(kept.path), transactions(2));
}

TEST(SingleStoreDayImport, AFileThatChangedOrIsInUseStaysAndTheOperatorAndTheLogAreTold) {
    SingleStoreDay changed(transactions(2));
    DayOutcome done = importDay(changed.t.program, {.source = changed.path, .engine = &changed.engine, .afterRun = [&](const RunRecord&) {
                                                  writeWholeFile(changed.path, transactions(3));
                                              }});
    ASSERT_TRUE(done.file);
    EXPECT_EQ(done.file->fate, TotalsFileFate::Changed);
    EXPECT_EQ(readWholeFile(changed.path), transactions(3));
    ASSERT_EQ(changed.t.prompter.shown.size(), 1u);
    EXPECT_EQ(changed.t.prompter.shown[0].text.rfind("The totals file " + changed.path + " changed while", 0), 0u);
    EXPECT_EQ(changed.t.prompter.shown[0].icon, MsgIcon::Exclamation);
    EXPECT_NE(changed.operationLog().find("9:05:03 PM \r\n" + changed.t.prompter.shown[0].text + "\r\n"),
              std::string::npos);

    SingleStoreDay inUse(transactions(2));
    lockElsewhere(inUse, inUse.path);
    done = importDay(inUse.t.program, {.source = inUse.path, .settleFile = true, .engine = &inUse.engine});
    ASSERT_TRUE(done.file);
    EXPECT_EQ(done.file->fate, TotalsFileFate::InUse);
    EXPECT_EQ(readWholeFile(inUse.path), transactions(2));
    ASSERT_FALSE(inUse.t.prompter.shown.empty());
    const std::string notice = "The totals file " + inUse.path + " stays where it is: another workstation is importing it.";
    EXPECT_EQ(inUse.t.prompter.shown.back().text, notice);
    EXPECT_NE(inUse.operationLog().find(notice), std::string::npos);
}

TEST(DayImport, TheRunPostsTheDayItIsHandedAndCountsItsTransactionsFromIt) {
    // The caller walked the file when it held one transaction; the store system has added a
    // second since. The run posts the day it was handed, counted from that day, and no
    // engine object of the caller's is needed: the import reads the company's chart itself.
    SingleStoreDay day(transactions(2));
    auto handed = std::make_shared<const StoreDay>(StoreDay::fromBytes(transactions(1)));
    writeWholeFile(day.path, transactions(2));
    DayOutcome done = importDay(day.t.program, {.day = handed, .source = day.path, .settleFile = false});
    ASSERT_TRUE(done.run);
    EXPECT_EQ(done.run->transactions.size(), 1u);
    EXPECT_TRUE(done.whole);
    EXPECT_EQ(day.journalRequests().size(), 1u);
}
