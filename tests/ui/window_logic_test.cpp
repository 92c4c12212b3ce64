// The windows' logic without widgets: amounts as the totals grid shows them, both grids'
// rows, the store's totals path and the source check.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "platform/vb_error.h"
#include "tests/support/scoped_env.h"
#include "tests/support/shell_command.h"
#include "tests/support/temp_folder.h"
#include "tests/support/vb_error_number.h"
#include "ui/logic/amount_format.h"
#include "ui/logic/grid_content.h"
#include "ui/logic/source_file_check.h"
#include "ui/ms_logic/store_selection.h"

using namespace ztl;
namespace fs = std::filesystem;

using testsupport::slurp;

TEST(DollarAmount, FollowsThePictureOfTheTotalsGrid) {
    const std::pair<const char*, const char*> cases[] = {
        {"0.5", "$.50"},      {"1234.5", "$1234.50"},
        {"-230", "-$230.00"}, {"0", "$.00"},
        {"-0.5", "-$.50"},    {"1.005", "$1.01"},
        {"-0.001", "$.00"},   {"12345678.9", "$12345678.90"},
        {" 7 ", "$7.00"},     {"1,250.00", "1,250.00"},
        {"abc", "abc"},       {"", ""},
        {"1.2.3", "1.2.3"},   {"-", "-"},
        {"+3", "$3.00"},
    };
    for (const auto& [in, out] : cases) EXPECT_EQ(ui::dollarAmount(in), out) << in;
}

TEST(GridContent, TotalsRowsByKindAndAccountsSplitAtTheirOuterCommas) {
    ui::GridContent totals =
        ui::totalsGrid({"H,004711,12/05/26", "D,1000,1081.25", "d,1000,5", "T,3", "D,4000,-1000"});
    ASSERT_EQ(totals.rows.size(), 5u);
    EXPECT_EQ(totals.rows[0], (std::vector<std::string>{"Inv:004711", "Date :12/05/26"}));
    EXPECT_EQ(totals.rows[1], (std::vector<std::string>{"1000", "$1081.25"}));
    EXPECT_EQ(totals.rows[2], (std::vector<std::string>{"", ""}));  // only the capitals count
    EXPECT_EQ(totals.rows[3], (std::vector<std::string>{"", ""}));
    EXPECT_EQ(totals.rows[4][1], "-$1000.00");
    EXPECT_EQ(testsupport::vbErrorNumber([] { ui::totalsGrid({"D,1000"}); }), vb::kSubscriptOutOfRange);

    ui::GridContent chart =
        ui::accountsGrid(CompanyChart({{"80000001-1", "Checking", "1000", "Bank", "Checking"},
                                       {"80000002-1", "Repairs, Labor and Supplies", "6500", "Expense",
                                        "Repairs, Labor and Supplies"}}));
    EXPECT_EQ(chart.rows[1], (std::vector<std::string>{"6500", "Repairs, Labor and Supplies", "Expense"}));
    EXPECT_EQ(ui::columnWidth(1000, 3), 333);
    EXPECT_EQ(ui::columnWidth(1000, 1.7), 588);
    EXPECT_EQ(ui::columnWidth(5, 2), 2);  // a half goes to the even neighbour
}

TEST(StoreSelection, TheTotalsPathNamesTheStoreNumberWithoutLeadingZeros) {
    storedata::cSystem sys;
    sys.mUNCDrive = "SRV1";
    for (auto [dir, path] : {std::pair{"KVS003", "\\\\SRV1\\CATCON\\3X390.QB"},
                             {"KVS012", "\\\\SRV1\\CATCON\\12X390.QB"},
                             {"KVSABC", "\\\\SRV1\\CATCON\\0X390.QB"},
                             {"KV", "\\\\SRV1\\CATCON\\0X390.QB"},
                             {"KVS 7x", "\\\\SRV1\\CATCON\\7X390.QB"}}) {
        sys.mDirectory = dir;
        EXPECT_EQ(ms::setSource(sys).sourcePath, path) << dir;
    }
}

TEST(SourceCheck, AnUnreachableShareIsABadNameAMissingFileIsNotFound) {
    testsupport::TempFolder s;
    fs::create_directories(s.path() / "SRV1" / "CATCON");
    test::ScopedEnv shares("ZENTREL_SHARES", s.path().string());
    s.write("SRV1/CATCON/3X390.QB", "Q\r\n");
    EXPECT_EQ(testsupport::vbErrorNumber([] { ui::checkSourceFile("\\\\SRV1\\CATCON\\3X390.QB"); }), 0);
    EXPECT_EQ(testsupport::vbErrorNumber([] { ui::checkSourceFile("\\\\srv1\\catcon\\3x390.qb"); }),
              0);  // as Windows finds it
    EXPECT_EQ(testsupport::vbErrorNumber([] { ui::checkSourceFile("\\\\SRV1\\CATCON\\4X390.QB"); }),
              vb::kFileNotFound);
    EXPECT_EQ(testsupport::vbErrorNumber([] { ui::checkSourceFile("\\\\SRV2\\CATCON\\3X390.QB"); }),
              vb::kBadFileNameOrNumber);
    EXPECT_EQ(testsupport::vbErrorNumber([&] { ui::checkSourceFile((s.path() / "none").string()); }),
              vb::kFileNotFound);
}
