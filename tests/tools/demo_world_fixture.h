#pragma once
// The base of the demo world tests: a private scratch folder, the demo world built in it,
// and the workstation's environment pointed at that world ($ZENTREL_SHARES for the store
// server, $TMPDIR for kvsCatalog.ini) with a fresh store data engine, all undone afterwards.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <optional>
#include <string>

#include "platform/settings_store.h"
#include "tools/demo_world/demo_world.h"

namespace ztl::demo::testing {

class DemoWorldTest : public ::testing::Test {
  protected:
    void SetUp() override;
    void TearDown() override;

    // Builds a world in a new folder below the scratch folder and points the environment at it.
    const DemoWorld& build(const DemoWorldOptions& options = {});

    std::filesystem::path scratch_;
    MemorySettingsStore settings_;
    std::optional<DemoWorld> world_;

  private:
    std::map<std::string, std::optional<std::string>> savedEnvironment_;
    int worlds_ = 0;
};

}  // namespace ztl::demo::testing
