// Building the demo world: the same bytes on every build, and nothing of anyone's written
// over when the build is refused.
#include <fstream>
#include <iterator>
#include <map>

#include "demo_world_fixture.h"

namespace ztl::demo {
namespace {

namespace fs = std::filesystem;

class DemoWorldBuildTest : public testing::DemoWorldTest {};

// Every regular file below root, by its path relative to root, with its bytes.
std::map<std::string, std::string> filesBelow(const fs::path& root) {
    std::map<std::string, std::string> files;
    for (const auto& entry : fs::recursive_directory_iterator(root)) {
        if (!entry.is_regular_file()) continue;
        std::ifstream in(entry.path(), std::ios::binary);
        files[entry.path().lexically_relative(root).string()] =
            std::string(std::istreambuf_iterator<char>(in), {});
    }
    return files;
}

TEST_F(DemoWorldBuildTest, EveryFileIsTheSameOnEveryBuild) {
    const DemoWorldOptions options{2, "DEMO-WS7"};
    const fs::path first = build(options).folder;
    const fs::path second = build(options).folder;
    auto a = filesBelow(first), b = filesBelow(second);
    EXPECT_EQ(a.size(), 17u);  // 3 x (FILE0, LINECT, LINEDB), LINKSFILE, ttymap, 4 totals, ini, company
    EXPECT_TRUE(a == b) << "a file differs between two builds";
    EXPECT_NE(a.at("shares/STORESRV/KRVLINK/ttymap").find("\r\nDEMO-WS7   14,2\r\n"), std::string::npos);
}

TEST_F(DemoWorldBuildTest, RefusedBuildsWriteNothing) {
    const fs::path taken = scratch_ / "taken";
    fs::create_directories(taken);
    std::ofstream(taken / "notes.txt") << "the operator's own";
    struct Row {
        std::string what;
        fs::path folder;
        DemoWorldOptions options;
    };
    const Row rows[] = {
        {"store 4", scratch_ / "new4", {4, ""}},
        {"a computer name with a blank", scratch_ / "blank", {1, "BACK OFFICE"}},
        {"a folder with files in it", taken, {}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        MemorySettingsStore settings;
        EXPECT_ANY_THROW(buildDemoWorld(row.folder, row.options, settings));
        EXPECT_EQ(settings.get(kSettingsApp, "Zentrel\\Settings", "Import Source", "(none)"), "(none)");
    }
    EXPECT_FALSE(fs::exists(scratch_ / "new4"));
    EXPECT_FALSE(fs::exists(scratch_ / "blank"));
    EXPECT_EQ(filesBelow(taken), (std::map<std::string, std::string>{{"notes.txt", "the operator's own"}}));
}

}  // namespace
}  // namespace ztl::demo
