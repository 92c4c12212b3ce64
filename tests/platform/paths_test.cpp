#include "platform/paths.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <optional>

#include "tests/support/scoped_env.h"

namespace fs = std::filesystem;

namespace {

// A folder of this test's own, removed with the object.
struct ScratchFolder {
    fs::path path;
    explicit ScratchFolder(const char* tag)
        : path(fs::temp_directory_path() / (tag + std::to_string(::getpid()))) {}
    ~ScratchFolder() { fs::remove_all(path); }
};

}  // namespace

TEST(Paths, NetworkPathsLandUnderTheSharesRootMatchingCaseInsensitively) {
    ScratchFolder scratch("ztl_shares_");
    const fs::path& root = scratch.path;
    fs::create_directories(root / "srv1" / "CatCon");
    std::ofstream(root / "srv1" / "CatCon" / "3X390.QB") << "Q\n";
    std::optional<ztl::test::ScopedEnv> shares;
    shares.emplace("ZENTREL_SHARES", root.c_str());

    EXPECT_TRUE(ztl::paths::isNetworkPath("\\\\SRV1\\CATCON\\3X390.QB"));
    EXPECT_FALSE(ztl::paths::isNetworkPath("C:\\temp"));
    EXPECT_EQ(ztl::paths::map("\\\\SRV1\\CATCON\\3x390.qb"), root / "srv1" / "CatCon" / "3X390.QB");
    // A file not there yet keeps the name as given, under the folders that do exist.
    EXPECT_EQ(ztl::paths::map("\\\\SRV1\\CATCON\\3QBImport.log"), root / "srv1" / "CatCon" / "3QBImport.log");
    EXPECT_EQ(ztl::paths::map("\\\\srv2\\share\\a\\b"), root / "srv2" / "share" / "a" / "b");
    EXPECT_EQ(ztl::paths::shareRoot("SRV1", "catcon"), root / "srv1" / "CatCon");
    EXPECT_EQ(ztl::paths::map("/home/op/X390.QB"), fs::path("/home/op/X390.QB"));
    shares.emplace("ZENTREL_SHARES", nullptr);
    EXPECT_EQ(ztl::paths::sharesRoot(), fs::path("/mnt"));
}

TEST(Paths, StateAndTempFolders) {
    ScratchFolder state("ztl_state_");
    ztl::test::ScopedEnv stateHome("XDG_STATE_HOME", state.path.c_str());
    EXPECT_EQ(ztl::paths::stateFolder(), state.path / "zentrel");
    EXPECT_TRUE(fs::is_directory(state.path / "zentrel"));
    {
        ztl::test::ScopedEnv tmp("TMPDIR", "/var/tmp");
        EXPECT_EQ(ztl::paths::tempFolder(), fs::path("/var/tmp"));
    }
    ztl::test::ScopedEnv tmp("TMPDIR", nullptr);
    EXPECT_EQ(ztl::paths::tempFolder(), fs::path("/tmp"));
}

TEST(Paths, TheShippedFileIsLookedForInEveryDataFolderInTurn) {
    ScratchFolder scratch("ztl_data_");
    const fs::path empty = scratch.path / "beside", building = scratch.path / "build",
                   installed = scratch.path / "prefix", missing = scratch.path / "gone";
    fs::create_directories(empty);
    fs::create_directories(building);
    fs::create_directories(installed);
    std::ofstream(installed / "Help.rtf") << "{\\rtf1}";
    fs::create_directories(building / "Help.rtf");  // a folder by the file's name is no file
    struct Row {
        const char* what;
        std::vector<fs::path> folders;
        std::optional<fs::path> found;
    };
    const Row rows[] = {
        {"an existing folder without the file is passed over", {missing, empty, building, installed}, installed},
        {"the first folder holding it wins", {installed, scratch.path}, installed},
        {"none holds it", {missing, empty, building}, std::nullopt},
        {"no folders", {}, std::nullopt},
    };
    for (const Row& r : rows) EXPECT_EQ(ztl::paths::firstFolderHolding(r.folders, "Help.rtf"), r.found) << r.what;
}
