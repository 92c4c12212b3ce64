// Building the demo world: the same bytes on every build, and nothing of anyone's written
// over when the build is refused.
#include <fstream>

#include "demo_world_fixture.h"

namespace ztl::demo {
namespace {

namespace fs = std::filesystem;

class DemoWorldBuildTest : public testing::DemoWorldTest {};

TEST_F(DemoWorldBuildTest, EveryFileIsTheSameOnEveryBuild) {
    const DemoWorldOptions options{2, "DEMO-WS7"};
    const fs::path first = build(options).folder;
    const fs::path second = build(options).folder;
    auto a = testing::filesBelow(first), b = testing::filesBelow(second);
    EXPECT_EQ(a.size(), 17u);  // 3 x (FILE0, LINECT, LINEDB), LINKSFILE, ttymap, 4 totals, ini, company
    EXPECT_TRUE(a == b) << "a file differs between two builds";
    EXPECT_NE(a.at("shares/STORESRV/KRVLINK/ttymap").find("\r\nDEMO-WS7   14,2\r\n"), std::string::npos);
}

TEST_F(DemoWorldBuildTest, RefusedBuildsWriteNothing) {
    const fs::path taken = scratch_ / "taken";
    fs::create_directories(taken);
    std::ofstream(taken / "notes.txt") << "the operator's own";
    std::ofstream(scratch_ / "plain-file") << "not a folder";
    struct Row {
        std::string what;
        fs::path folder;
        DemoWorldOptions options;
    };
    const Row rows[] = {
        {"store 0", scratch_ / "new0", {0, ""}},
        {"store 4", scratch_ / "new4", {4, ""}},
        {"a computer name with a blank", scratch_ / "blank", {1, "BACK OFFICE"}},
        {"a folder with files in it", taken, {}},
        {"a file where the folder should be", scratch_ / "plain-file", {}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        MemorySettingsStore settings;
        EXPECT_ANY_THROW(buildDemoWorld(row.folder, row.options, settings));
        EXPECT_EQ(settings.get(kSettingsApp, "Zentrel\\Settings", "Import Source", "(none)"), "(none)");
    }
    EXPECT_FALSE(fs::exists(scratch_ / "new0"));
    EXPECT_FALSE(fs::exists(scratch_ / "new4"));
    EXPECT_FALSE(fs::exists(scratch_ / "blank"));
    EXPECT_EQ(testing::filesBelow(taken),
              (std::map<std::string, std::string>{{"notes.txt", "the operator's own"}}));
    EXPECT_EQ(testing::filesBelow(scratch_).at("plain-file"), "not a folder");
}

}  // namespace
}  // namespace ztl::demo
