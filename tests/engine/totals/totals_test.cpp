#include <gtest/gtest.h>

#include "engine/import/cls_ztl.h"
#include "engine/totals/totals_format.h"
#include "engine/totals/transaction_sort.h"
#include "engine_fixture.h"

using namespace ztl;
using ztl::test::ScratchDir;
using ztl::test::TestProgram;

struct TotalsRow {
    const char* line;
    const char* entry;  // nullptr: no entry in the totals table
    const char* guards;
};

TEST(TotalsFile, EachRecordTypeBecomesItsTotalsLine) {
    const TotalsRow rows[] = {
        {"Q 0001 store 3", "Q 0001 store 3", "Q lines are kept whole"},
        {"H  004711   12/05/06", "H,004711,12/05/06", "H: columns 3-11 and 13-20, trimmed"},
        {"H 4711      12/05/06   ", "H,4711,12/05/06", "H fields trimmed on both sides"},
        {"D 1000          125.40         0.00", "D,1000,125.4", "first amount when not zero"},
        {"D 4000            0.00      -125.40", "D,4000,-125.4", "second amount when the first is zero"},
        {"D 4000            0.00         0.00", "D,4000,0", "both zero gives 0"},
        {"D 1200        1,250.00", "D,1200,1", "thousands separator ends the number"},
        {"D 1000    -5", "D,1000,-5", "a short first amount"},
        {"D 12", "D,12,0", "short line: missing columns empty, amount 0"},
        {"TRT    3", "TRT    3", "TRT lines are kept whole"},
        {"T      2", "T      2", "T lines are kept whole"},
        {" Q leading blank", nullptr, "a blank first character is no record"},
        {"X whatever", nullptr, "unknown record type"},
        {"", nullptr, "empty line"},
        {"q lower case", nullptr, "record letters are upper case"},
    };
    for (const auto& r : rows) {
        auto entry = totals::totalsLine(r.line);
        if (r.entry) {
            ASSERT_TRUE(entry.has_value()) << r.guards;
            EXPECT_EQ(*entry, r.entry) << r.guards;
        } else {
            EXPECT_FALSE(entry.has_value()) << r.guards;
        }
    }
}

TEST(TotalsFile, Load390BuildsTheTableAndAddsTheTCounts) {
    TestProgram t;
    ScratchDir dir("totals");
    auto path = dir.file("X390.QB",
                         "Q store 3\r\nH  004711   12/05/06\r\nD 1000          125.40\r\nD 4000            "
                         "0.00      -125.40\r\n"
                         "TRT    3\r\nT      2.5\r\nZ ignored\r\n\r\nT      4");
    clsZTL z(t.program);
    z.X390source(path.string());
    z.Load390();
    EXPECT_EQ(*z.X390(), (TotalsTable{"Q store 3", "H,004711,12/05/06", "D,1000,125.4", "D,4000,-125.4",
                                      "TRT    3", "T      2.5", "T      4"}));
    ASSERT_TRUE(z.ZTLTrcount.has_value());
    EXPECT_EQ(z.ZTLTrcount->text(), "9.5");
    EXPECT_TRUE(t.prompter.shown.empty());
}

TEST(TotalsFile, EmptyFileLeavesTheCountUnsetAndAMissingFileIsReported) {
    TestProgram t;
    ScratchDir dir("totals");
    clsZTL z(t.program);
    z.X390source(dir.file("X390.QB", "").string());
    z.Load390();
    EXPECT_TRUE(z.X390()->empty());
    EXPECT_FALSE(z.ZTLTrcount.has_value());

    z.X390source((dir.path() / "missing" / "X390.QB").string());
    z.Load390();
    ASSERT_EQ(t.prompter.shown.size(), 1u);
    EXPECT_EQ(t.prompter.shown[0].text, "Error in module clsZTL.Load390 \nError # 76  \nPath not found");
    EXPECT_EQ(t.prompter.shown[0].title, "ZentrelMS");
}

TEST(TotalsFile, SingleStoreCountsQLinesAfresh) {
    TestProgram t;
    t.program.setEdition(Edition::SingleStore);
    ScratchDir dir("totals");
    clsZTL z(t.program);
    z.X390source(dir.file("X390.QB", "Q\nH 1\nD 1000 5\nTRT  9\nQ\nT 4\n").string());
    z.Load390();
    z.Load390();
    EXPECT_EQ(z.qLineCount(), 2) << "reset at every load";
    EXPECT_FALSE(z.ZTLTrcount.has_value()) << "T counts are not read";
    EXPECT_EQ(z.X390()->size(), 12u) << "the table keeps growing: every load appends";
}

TEST(TotalsSort, DescendingByAmountTextAsCharacters) {
    TestProgram t;
    clsZTL z(t.program);
    // The entry's typed lines come out in the same order as the sort's text rows.
    auto amounts = [&](std::vector<std::string> lines) {
        z.X390Sort(lines, lines.size());
        std::vector<std::string> out;
        for (const auto& row : z.sortedLines()) out.push_back(row[2]);
        std::vector<StoreLine> typed;
        for (const auto& l : lines)
            typed.push_back({l.substr(2, l.rfind(',') - 2), Decimal::parseLeading(l.substr(l.rfind(',') + 1))});
        std::vector<std::string> typedOut;
        for (const PostingLine& j : sortedPostingLines(typed)) typedOut.push_back(j.amount.text());
        EXPECT_EQ(typedOut, out);
        return out;
    };
    EXPECT_EQ(amounts({"D,1,5", "D,2,-3", "D,3,120", "D,4,0"}),
              (std::vector<std::string>{"5", "120", "0", "-3"}));
    EXPECT_EQ(amounts({"D,1,10", "D,2,9"}), (std::vector<std::string>{"9", "10"}));
    EXPECT_EQ(amounts({"D,1,9.5", "D,2,10"}), (std::vector<std::string>{"9.5", "10"}));
    EXPECT_EQ(amounts({"D,1,-1"}), (std::vector<std::string>{"-1"}));
    EXPECT_EQ(amounts({"D,1,-5", "D,2,0", "D,3,-15", "D,4,100", "D,5,60.25", "D,6,-60"}),
              (std::vector<std::string>{"60.25", "100", "0", "-60", "-5", "-15"}));
    // Whole rows move together.
    z.X390Sort({"D,4000,-100", "D,1000,100"}, 2);
    EXPECT_EQ(z.sortedLines()[0], (std::array<std::string, 3>{"D", "1000", "100"}));
    EXPECT_TRUE(t.prompter.shown.empty());
}

TEST(TotalsSort, AnAccountCodeWithACommaKeepsItsAmount) {
    TestProgram t;
    clsZTL z(t.program);
    z.X390Sort({"D,12,34,-5", "D,1000,5"}, 2);
    EXPECT_EQ(z.sortedLines()[1], (std::array<std::string, 3>{"D", "12,34", "-5"}));
}

TEST(TotalsSort, AnEntryWithTooFewPiecesIsReported) {
    TestProgram t;
    clsZTL z(t.program);
    z.X390Sort({"D,1000,5", "D1000"}, 2);
    ASSERT_EQ(t.prompter.shown.size(), 1u);
    EXPECT_EQ(t.prompter.shown[0].text,
              "Error in module clsZTL.X390Sort \nError # 9  \nSubscript out of range");
}
