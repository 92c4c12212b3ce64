// What becomes of the totals file after an import: the count of transactions a file holds,
// the decision from the run's record, and carrying it out.
#include "engine/import/totals_file_fate.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "engine/totals/store_day.h"
#include "platform/text_file.h"
#include "platform/vb_error.h"

namespace fs = std::filesystem;
using namespace ztl;

namespace {

std::string lines(std::initializer_list<const char*> ls, const char* end = "\r\n") {
    std::string out;
    for (const char* l : ls) out += std::string(l) + end;
    return out;
}

const std::string kDay =
    lines({"Q 0004 HARBOR MARINE SUPPLY      END OF DAY 12/05/26", "H  401001   12/05/26",
           "D 1000          742.18         0.00", "D 4000            0.00      -742.18", "TRT    1",
           "Q 0004 HARBOR MARINE SUPPLY      END OF DAY 12/05/26", "H  401002   12/05/26",
           "D 5000           88.50         0.00", "D 2000            0.00       -88.50", "TRT    1",
           "T      0", "* END OF DAY RUN COMPLETE"});

TEST(TransactionsToPost, CountsEveryRunOfDetailLinesWhereverItStands) {
    struct Row {
        const char* guards;
        std::string bytes;
        int expected;
    };
    const Row rows[] = {
        {"a day of two transactions and the store system's trailer lines", kDay, 2},
        {"the same day with LF line ends",
         lines({"Q", "H  1", "D 1", "D 2", "TRT", "Q", "H  2", "D 3"}, "\n"), 2},
        {"CR alone ends a line too", lines({"Q", "H  1", "D 1", "H  2", "D 2"}, "\r"), 2},
        {"an H line without D lines is nothing to post", lines({"Q", "H  1", "H  2", "D 1"}), 1},
        {"D lines before any H line, which the import never reaches", lines({"Q", "D 1", "H  1", "D 2"}), 2},
        {"a blank line inside a block splits it: the import stops at the blank",
         lines({"Q", "H  1", "D 1", "", "D 2"}), 2},
        {"a stray line inside a block splits it", lines({"Q", "H  1", "D 1", "X", "D 2"}), 2},
        {"lower-case d is no detail line", lines({"Q", "H  1", "d 1"}), 0},
        {"nothing at all", "", 0},
        {"no line end after the last line", "Q\r\nH  1\r\nD 1", 1},
    };
    for (const Row& r : rows) EXPECT_EQ(StoreDay::fromBytes(r.bytes).lineRuns, r.expected) << r.guards;
}

TEST(TotalsFileFate, RemovesOnlyAFileWhoseEveryTransactionIsPosted) {
    using Outcome = RunRecord::Outcome;
    auto answered = [](Outcome outcome, const char* severity) {
        TransactionRecord t;
        t.outcome = outcome;
        t.statusSeverity = severity;
        return t;
    };
    const TransactionRecord posted = answered(Outcome::Posted, "Info");
    const TransactionRecord refused = answered(Outcome::Refused, "Error");
    const TransactionRecord there = answered(Outcome::AlreadyThere, "");
    const TransactionRecord unanswered = answered(Outcome::NoAnswer, "");
    auto run = [&](bool reachedEnd, std::vector<TransactionRecord> transactions) {
        ImportRunRecord r{RunRecord{}, kDay, kDay};
        r.run.reachedEnd = reachedEnd;
        r.run.transactions = std::move(transactions);
        r.run.lineRuns = StoreDay::fromBytes(kDay).lineRuns;  // as the run counts the day it read
        return r;
    };
    ImportRunRecord changed = run(true, {posted, posted});
    changed.totalsAfter = kDay + "D 9\r\n";
    ImportRunRecord unreadable = run(false, {});
    unreadable.totalsBefore.reset();
    ImportRunRecord inUse = run(false, {});  // refused: it posted nothing
    inUse.run.lockHeldElsewhere = true;
    ImportRunRecord empty = run(true, {});
    empty.totalsBefore = empty.totalsAfter = lines({"Q", "TRT"});
    empty.run.lineRuns = 0;
    struct Row {
        const char* guards;
        ImportRunRecord run;
        TotalsFileFate expected;
    };
    const Row rows[] = {
        {"every transaction posted", run(true, {posted, posted}), TotalsFileFate::Removed},
        {"posted now or held already", run(true, {there, posted}), TotalsFileFate::Removed},
        {"a refused entry", run(true, {posted, refused}), TotalsFileFate::Archived},
        {"a transaction never sent", run(true, {posted, TransactionRecord{}}), TotalsFileFate::Archived},
        {"an answer that never came: the next import asks before sending it",
         run(true, {posted, unanswered}), TotalsFileFate::AnswerLost},
        {"a file without a transaction", empty, TotalsFileFate::Archived},
        {"the run stopped before its results", run(false, {posted, posted}), TotalsFileFate::StoppedEarly},
        {"a file the run could not read", unreadable, TotalsFileFate::StoppedEarly},
        {"the file changed during the run", changed, TotalsFileFate::Changed},
        {"another workstation's run held the import lock", inUse, TotalsFileFate::InUse},
    };
    for (const Row& r : rows) EXPECT_EQ(totalsFileFate(r.run), r.expected) << r.guards;
}

class SettleTotalsFile : public ::testing::Test {
  protected:
    void SetUp() override {
        dir = fs::temp_directory_path() / ("ztl-settle-" + std::to_string(::getpid()));
        fs::remove_all(dir);
        fs::create_directories(dir);
        file = dir / "X390.QB";
        writeWholeFile(file, kDay);
    }
    void TearDown() override { fs::remove_all(dir); }
    fs::path dir, file;
    FixedClock clock{LocalDateTime{2026, 12, 5, 21, 7, 0}};
};

TEST_F(SettleTotalsFile, RemovesArchivesOrLeavesTheFile) {
    EXPECT_EQ(settleTotalsFile(file.string(), TotalsFileFate::StoppedEarly, clock).fate,
              TotalsFileFate::StoppedEarly);
    EXPECT_EQ(settleTotalsFile(file.string(), TotalsFileFate::Changed, clock).archive, "");
    EXPECT_EQ(readWholeFile(file), kDay);

    TotalsFileOutcome archived = settleTotalsFile(file.string(), TotalsFileFate::Archived, clock);
    EXPECT_EQ(archived.archive, file.string() + "1252026217");
    EXPECT_FALSE(fs::exists(file));
    EXPECT_EQ(readWholeFile(archived.archive), kDay);

    writeWholeFile(file, kDay);
    settleTotalsFile(file.string(), TotalsFileFate::Removed, clock);
    EXPECT_FALSE(fs::exists(file));
}

TEST_F(SettleTotalsFile, WhatCannotGoStaysAndTheFailureIsThrown) {
    // A folder holding a file can be neither removed like a file nor copied to an archive.
    fs::remove(file);
    fs::create_directory(file);
    writeWholeFile(file / "keep", "x");
    for (TotalsFileFate fate : {TotalsFileFate::Removed, TotalsFileFate::Archived}) {
        try {
            settleTotalsFile(file.string(), fate, clock);
            ADD_FAILURE() << "no error for fate " << int(fate);
        } catch (const VbError& e) {
            if (fate == TotalsFileFate::Archived) {
                EXPECT_EQ(e.number, vb::kPathFileAccessError);
            }
        }
        EXPECT_TRUE(fs::exists(file / "keep"));
    }
}

TEST_F(SettleTotalsFile, AMissingFileCannotBeRemoved) {
    fs::remove(file);
    try {
        settleTotalsFile(file.string(), TotalsFileFate::Removed, clock);
        ADD_FAILURE() << "no error";
    } catch (const VbError& e) {
        EXPECT_EQ(e.number, vb::kFileNotFound);
    }
}

}  // namespace

TEST(TotalsFileNotice, OnlyAFileThatStaysAgainstExpectationIsTold) {
    const std::string source = "\\\\STORESRV\\catcon\\X390.QB";
    struct Row {
        TotalsFileOutcome outcome;
        std::optional<std::string> startOfNotice;
    };
    const Row rows[] = {
        {{TotalsFileFate::Removed, "", std::nullopt}, std::nullopt},
        {{TotalsFileFate::StoppedEarly, "", std::nullopt}, std::nullopt},  // the run said why
        {{TotalsFileFate::Archived, source + "392026145", std::nullopt}, std::nullopt},
        {{TotalsFileFate::Archived, source + "392026145", "Permission denied"},
         "The totals file " + source + " is archived as " + source +
             "392026145, but it could not be deleted (Permission denied)."},
        {{TotalsFileFate::Changed, "", std::nullopt}, "The totals file " + source + " changed while it was imported"},
        {{TotalsFileFate::InUse, "", std::nullopt},
         "The totals file " + source + " stays where it is: another workstation is importing it."},
    };
    for (const Row& r : rows) {
        std::optional<std::string> notice = totalsFileNotice(source, r.outcome);
        ASSERT_EQ(notice.has_value(), r.startOfNotice.has_value()) << int(r.outcome.fate);
        if (notice) EXPECT_TRUE(notice->starts_with(*r.startOfNotice)) << *notice;
    }
}
