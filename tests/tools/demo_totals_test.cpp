// The demo world's totals files read by the import engine as both editions' main windows
// read them.
#include <algorithm>

#include "demo_world_fixture.h"
#include "engine/cls_ztl.h"
#include "platform/clock.h"
#include "platform/prompter.h"

namespace ztl::demo {
namespace {

class DemoTotalsTest : public testing::DemoWorldTest {};

size_t rowsOfKind(const TotalsTable& table, char kind) {
    return static_cast<size_t>(
        std::count_if(table.begin(), table.end(), [&](const std::string& r) { return r.front() == kind; }));
}

TEST_F(DemoTotalsTest, EveryTotalsFileReadsIntoItsTransactions) {
    const DemoWorld& w = build();
    struct Row {
        std::string source;
        int transactions;  // Q lines = the TRT counts; the day's T line counts 0
        size_t dLines;
        // A run of consecutive table rows the file must give.
        std::vector<std::string> run;
    };
    const Row rows[] = {
        {w.stores[0].totalsSource,
         7,
         18,
         {"H,101006,12/05/26", "D,4000,42", "D,2100,3.36", "D,1000,-45.36", "TRT    1"}},
        {w.stores[1].totalsSource, 5, 11, {"H,201002,12/05/26", "D,1000,410", "D,1200,-410", "TRT    1"}},
        {w.stores[2].totalsSource,
         5,
         10,
         {"Q 0003 DUPR\xC9 HOME CENTER         END OF DAY 12/05/26", "H,301002,12/05/26", "TRT    1"}},
        {w.singleStoreSource,
         3,
         8,
         {"H,401003,12/05/26", "D,5000,88.5", "D,2000,-88.5", "TRT    1", "T      0"}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.source);
        for (Edition edition : {Edition::MultiStore, Edition::SingleStore}) {
            RecordingPrompter prompter;
            FixedClock clock{{2026, 12, 5, 23, 30, 0}};
            Program p;
            p.edition = edition;
            p.prompter = &prompter;
            p.clock = &clock;
            clsZTL z(p);
            z.X390source(row.source);
            z.Load390();
            EXPECT_TRUE(prompter.texts().empty());
            if (edition == Edition::MultiStore) {
                ASSERT_TRUE(z.ZTLTrcount.has_value());
                EXPECT_EQ(z.ZTLTrcount->text(), std::to_string(row.transactions));
            } else {
                EXPECT_EQ(z.qLineCount(), row.transactions);
            }
            const TotalsTable& table = *z.X390();
            const size_t n = static_cast<size_t>(row.transactions);
            EXPECT_EQ(rowsOfKind(table, 'Q'), n);
            EXPECT_EQ(rowsOfKind(table, 'H'), n);
            EXPECT_EQ(rowsOfKind(table, 'D'), row.dLines);
            EXPECT_EQ(rowsOfKind(table, 'T'), n + 1);
            EXPECT_EQ(table.size(), 3 * n + row.dLines + 1) << "the closing remark line leaves no row";
            EXPECT_NE(std::search(table.begin(), table.end(), row.run.begin(), row.run.end()), table.end());
        }
    }
}

}  // namespace
}  // namespace ztl::demo
