// The one walk through a totals file: every reader's view of the same bytes must agree with
// what the import does with them.
#include "engine/totals/store_day.h"

#include <gtest/gtest.h>

using namespace ztl;

namespace {

// A day with what the store system writes, and what it should not but does: a block without
// lines, an unreadable date, a trailer of counts, and a stray line that ends the walk.
const std::string kDay =
    "Q 0003 DEMO\r\n"
    "H  004711   12/05/26\r\n"
    "D 1000          125.40\r\n"
    "D 4000            0.00      -125.40\r\n"
    "TRT    2\r\n"
    "Q 0003 DEMO\r\n"
    "H  004712   12/03/26\r\n"
    "TRT    0\r\n"
    "Q 0003 DEMO\r\n"
    "H  004713   13/45/26\r\n"
    "D 1200           10.00\r\n"
    "D 4100            0.00       -10.00\r\n"
    "H  004714   12/01/26\r\n"
    "D 1000            5.00\r\n"
    "* END OF DAY\r\n"
    "H  004715   11/30/26\r\n"
    "D 1000            1.00\r\n"
    "T      2.5\r\n";

TEST(StoreDay, TheTableTheHeadersAndTheCountsSeeEveryLine) {
    const StoreDay day = StoreDay::fromBytes(kDay);
    EXPECT_EQ(day.table.size(), 17u) << "every line but the stray one";
    EXPECT_EQ(day.table[1], "H,004711,12/05/26");
    EXPECT_EQ(day.table[2], "D,1000,125.4");
    EXPECT_EQ(day.qLines, 3);
    ASSERT_TRUE(day.tCount.has_value());
    EXPECT_EQ(day.tCount->text(), "4.5") << "TRT lines count as T lines do";
    ASSERT_EQ(day.headers.size(), 5u) << "the header past the stray line is still shown";
    EXPECT_EQ(day.headers[0].row, 1);
    EXPECT_EQ(day.headers[0].rows, 3);
    EXPECT_EQ(day.headers[1].rows, 1);
    EXPECT_EQ(day.headers[4].referenceNumber, "004715");
    EXPECT_EQ(day.headers[4].row, 14) << "rows count table entries, not file lines";
    EXPECT_EQ(day.lineRuns, 4);
    EXPECT_EQ(day.bytes, kDay);
}

TEST(StoreDay, TheBlocksAreWhatTheImportWalksAndTheDaysAreTheirs) {
    const StoreDay day = StoreDay::fromBytes(kDay);
    EXPECT_FALSE(day.walkRefusal);
    ASSERT_EQ(day.blocks.size(), 4u) << "the stray line ends the walk";
    EXPECT_EQ(day.blocks[0].referenceNumber, "004711");
    ASSERT_EQ(day.blocks[0].lines.size(), 2u);
    EXPECT_EQ(day.blocks[0].lines[0].accountCode, "1000");
    EXPECT_EQ(day.blocks[0].lines[0].amount.text(), "125.4");
    EXPECT_EQ(day.blocks[0].lines[1].accountCode, "4000");
    EXPECT_EQ(day.blocks[0].lines[1].amount.text(), "-125.4");
    EXPECT_TRUE(day.blocks[1].lines.empty());
    EXPECT_FALSE(day.blocks[2].date);
    ASSERT_TRUE(day.blocks[2].dateError);
    EXPECT_EQ(day.blocks[2].dateError->number, 13);
    EXPECT_EQ(day.transactionsWithLines(), 3);
    // The block without lines (12/03) and the one without a date do not widen the days.
    ASSERT_TRUE(day.first && day.last);
    EXPECT_EQ(*day.first, (CalendarDate{2026, 12, 1}));
    EXPECT_EQ(*day.last, (CalendarDate{2026, 12, 5}));
}

TEST(StoreDay, AFileThatIsNoTotalsFileIsRefusedAsAValue) {
    const StoreDay notQ = StoreDay::fromBytes("H  1   12/05/26\r\nD 1000 5\r\n");
    ASSERT_TRUE(notQ.walkRefusal);
    EXPECT_EQ(notQ.walkRefusal->number, -2147220987);
    EXPECT_TRUE(notQ.blocks.empty());
    EXPECT_EQ(notQ.headers.size(), 1u) << "the table still shows it";

    const StoreDay empty = StoreDay::fromBytes("");
    ASSERT_TRUE(empty.walkRefusal);
    EXPECT_EQ(empty.walkRefusal->number, 62);
    EXPECT_FALSE(empty.first);

    // Binary bytes are lines like any others: nothing is lost, nothing crashes.
    static const char kBinary[] = "Q\0\xff\r\nH\0 1\r\nD\x01";
    const StoreDay binary = StoreDay::fromBytes(std::string(kBinary, sizeof kBinary - 1));
    EXPECT_EQ(binary.blocks.size(), 1u);
    EXPECT_EQ(binary.table.size(), 3u);
}

}  // namespace

TEST(StoreDay, ADayWithATransactionVoidedAtTheRegisterIsWholeWhetherItsTrailerCountsItOrNot) {
    const std::string sale = "Q 0003 DEMO\r\nH  301001   12/05/26\r\nD 1000 5.00 0.00\r\nD 4000 0.00 -5.00\r\n";
    const std::string voided = "Q 0003 DEMO\r\nH  301002   12/05/26\r\n";
    const std::string end = "T      0\r\n* END OF DAY RUN COMPLETE\r\n";
    EXPECT_EQ(StoreDay::fromBytes(sale + "TRT    1\r\n" + voided + "TRT    1\r\n" + end).notWhole(), std::nullopt);
    EXPECT_EQ(StoreDay::fromBytes(sale + "TRT    1\r\n" + voided + "TRT    0\r\n" + end).notWhole(), std::nullopt);
    EXPECT_EQ(StoreDay::fromBytes(sale + "TRT    3\r\n" + voided + "TRT    0\r\n" + end).notWhole(),
              "its T lines count 3 transactions, and it holds 1 and 1 without lines");
}
