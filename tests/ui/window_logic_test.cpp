// The windows' logic without widgets: amounts as the totals grid shows them, both grids'
// rows, the store's totals path, the source check, and the archive that never loses the
// totals file.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>

#include <filesystem>
#include <fstream>

#include "platform/vb_error.h"
#include "tests/support/scoped_env.h"
#include "tests/support/shell_command.h"
#include "tests/support/temp_folder.h"
#include "tests/support/vb_error_number.h"
#include "ui/logic/amount_format.h"
#include "ui/logic/archive_file.h"
#include "ui/logic/grid_content.h"
#include "ui/logic/source_file_check.h"
#include "ui/ms_logic/store_selection.h"

using namespace ztl;
namespace fs = std::filesystem;

using testsupport::slurp;

namespace {

struct Scratch : testsupport::TempFolder {
    const fs::path dir = path();
    fs::path write(const std::string& name, const std::string& bytes) const {
        std::ofstream(dir / name, std::ios::binary) << bytes;
        return dir / name;
    }
};

}  // namespace

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
        ui::accountsGrid({"1000,Checking,Bank", "6500,Repairs, Labor and Supplies,Expense"});
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
    Scratch s;
    fs::create_directories(s.dir / "SRV1" / "CATCON");
    test::ScopedEnv shares("ZENTREL_SHARES", s.dir.string());
    s.write("SRV1/CATCON/3X390.QB", "Q\r\n");
    EXPECT_EQ(testsupport::vbErrorNumber([] { ui::checkSourceFile("\\\\SRV1\\CATCON\\3X390.QB"); }), 0);
    EXPECT_EQ(testsupport::vbErrorNumber([] { ui::checkSourceFile("\\\\srv1\\catcon\\3x390.qb"); }),
              0);  // as Windows finds it
    EXPECT_EQ(testsupport::vbErrorNumber([] { ui::checkSourceFile("\\\\SRV1\\CATCON\\4X390.QB"); }),
              vb::kFileNotFound);
    EXPECT_EQ(testsupport::vbErrorNumber([] { ui::checkSourceFile("\\\\SRV2\\CATCON\\3X390.QB"); }),
              vb::kBadFileNameOrNumber);
    EXPECT_EQ(testsupport::vbErrorNumber([&] { ui::checkSourceFile((s.dir / "none").string()); }),
              vb::kFileNotFound);
}

TEST(ArchiveFile, TimeStampedNameNeverOverAnEarlierArchive) {
    EXPECT_EQ(ui::archiveName("X", {2006, 3, 9, 14, 5, 0}), "X392006145");
    EXPECT_EQ(ui::archiveName("X", {2006, 1, 12, 10, 5, 0}), "X1122006105");

    Scratch s;
    fs::path totals = s.write("3X390.QB", "Q 0003\r\nH  004711\r\n");
    FixedClock clock({2006, 11, 2, 10, 5, 0});  // the same name as 12 January at 10:05
    s.write("3X390.QB1122006105", "an earlier archive");
    std::optional<ui::ArchivedFile> archive = ui::ArchiveFile(totals.string(), clock);
    ASSERT_TRUE(archive);
    EXPECT_EQ(archive->name, totals.string() + "1122006105.1");
    EXPECT_FALSE(archive->originalLeft);
    EXPECT_FALSE(fs::exists(totals));
    EXPECT_EQ(slurp(totals.string() + "1122006105.1"), "Q 0003\r\nH  004711\r\n");
    EXPECT_EQ(slurp(totals.string() + "1122006105"), "an earlier archive");
    EXPECT_FALSE(ui::ArchiveFile(totals.string(), clock));  // nothing to archive any more
}

TEST(ArchiveFile, AnOriginalThatCannotBeDeletedIsToldAndKept) {
    Scratch s;
    fs::path totals = s.write("3X390.QB", "Q 0003\r\nH  004711\r\n");
    auto refuse = [](const fs::path&, std::error_code& ec) { ec = std::make_error_code(std::errc::permission_denied); };
    std::optional<ui::ArchivedFile> archive =
        ui::ArchiveFile(totals.string(), FixedClock({2026, 3, 9, 14, 5, 0}), refuse);
    ASSERT_TRUE(archive);
    EXPECT_EQ(archive->name, totals.string() + "392026145");
    EXPECT_EQ(archive->originalLeft, std::string("Permission denied"));
    EXPECT_EQ(slurp(totals), slurp(archive->name));  // both names hold the day
    EXPECT_EQ(ui::originalLeftMessage("\\\\STORESRV\\CATCON\\3X390.QB", *archive),
              "The totals file \\\\STORESRV\\CATCON\\3X390.QB is archived as " + archive->name +
                  ", but it could not be deleted (Permission denied).\nDelete it before the next start, or its "
                  "totals are imported a second time.");
}

TEST(ArchiveFile, ACopyThatCannotBeWrittenLeavesTheTotalsFileWhereItWas) {
    Scratch s;
    std::string day(4096, 'D');
    fs::path totals = s.write("1X390.QB", day);
    // A device that takes only 100 bytes, for any user (root included).
    ::signal(SIGXFSZ, SIG_IGN);
    rlimit old{};
    ::getrlimit(RLIMIT_FSIZE, &old);
    rlimit small = old;
    small.rlim_cur = 100;
    ::setrlimit(RLIMIT_FSIZE, &small);
    std::optional<ui::ArchivedFile> archive = ui::ArchiveFile(totals.string(), FixedClock({2026, 3, 9, 14, 5, 0}));
    ::setrlimit(RLIMIT_FSIZE, &old);
    EXPECT_FALSE(archive);
    EXPECT_EQ(slurp(totals), day);
    EXPECT_FALSE(fs::exists(totals.string() + "392026145"));  // no half copy left behind
}
