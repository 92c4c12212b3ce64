#include "platform/paths.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>

namespace fs = std::filesystem;

TEST(Paths, NetworkPathsLandUnderTheSharesRootMatchingCaseInsensitively) {
    fs::path root = fs::temp_directory_path() / ("ztl_shares_" + std::to_string(::getpid()));
    fs::create_directories(root / "srv1" / "CatCon");
    std::ofstream(root / "srv1" / "CatCon" / "3X390.QB") << "Q\n";
    ::setenv("ZENTREL_SHARES", root.c_str(), 1);

    EXPECT_TRUE(ztl::paths::isNetworkPath("\\\\SRV1\\CATCON\\3X390.QB"));
    EXPECT_FALSE(ztl::paths::isNetworkPath("C:\\temp"));
    EXPECT_EQ(ztl::paths::map("\\\\SRV1\\CATCON\\3x390.qb"), root / "srv1" / "CatCon" / "3X390.QB");
    // A file not there yet keeps the name as given, under the folders that do exist.
    EXPECT_EQ(ztl::paths::map("\\\\SRV1\\CATCON\\3QBImport.log"), root / "srv1" / "CatCon" / "3QBImport.log");
    EXPECT_EQ(ztl::paths::map("\\\\srv2\\share\\a\\b"), root / "srv2" / "share" / "a" / "b");
    EXPECT_EQ(ztl::paths::shareRoot("SRV1", "catcon"), root / "srv1" / "CatCon");
    EXPECT_EQ(ztl::paths::map("/home/op/X390.QB"), fs::path("/home/op/X390.QB"));
    ::unsetenv("ZENTREL_SHARES");
    EXPECT_EQ(ztl::paths::sharesRoot(), fs::path("/mnt"));
    fs::remove_all(root);
}

TEST(Paths, StateAndTempFolders) {
    fs::path state = fs::temp_directory_path() / ("ztl_state_" + std::to_string(::getpid()));
    ::setenv("XDG_STATE_HOME", state.c_str(), 1);
    EXPECT_EQ(ztl::paths::stateFolder(), state / "zentrel");
    EXPECT_TRUE(fs::is_directory(state / "zentrel"));
    ::setenv("TMPDIR", "/var/tmp", 1);
    EXPECT_EQ(ztl::paths::tempFolder(), fs::path("/var/tmp"));
    ::unsetenv("TMPDIR");
    EXPECT_EQ(ztl::paths::tempFolder(), fs::path("/tmp"));
    fs::remove_all(state);
}
