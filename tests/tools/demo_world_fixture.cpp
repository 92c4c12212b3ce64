#include "demo_world_fixture.h"

#include <unistd.h>

#include <cstdlib>

#include "storedata/engine.h"

namespace fs = std::filesystem;

namespace ztl::demo::testing {
namespace {
const char* const kEnvironment[] = {"ZENTREL_SHARES", "TMPDIR"};
}

void DemoWorldTest::SetUp() {
    static int counter = 0;
    scratch_ = fs::temp_directory_path() /
               ("ztl_demo_world_" + std::to_string(::getpid()) + "_" + std::to_string(++counter));
    fs::remove_all(scratch_);
    fs::create_directories(scratch_);
    for (const char* name : kEnvironment) {
        const char* v = std::getenv(name);
        savedEnvironment_[name] = v ? std::optional<std::string>(v) : std::nullopt;
    }
    storedata::resetEngine();
}

void DemoWorldTest::TearDown() {
    storedata::resetEngine();
    for (const auto& [name, value] : savedEnvironment_) {
        if (value)
            ::setenv(name.c_str(), value->c_str(), 1);
        else
            ::unsetenv(name.c_str());
    }
    std::error_code ec;
    fs::remove_all(scratch_, ec);
}

const DemoWorld& DemoWorldTest::build(const DemoWorldOptions& options) {
    world_ = buildDemoWorld(scratch_ / ("world" + std::to_string(++worlds_)), options, settings_);
    ::setenv("ZENTREL_SHARES", world_->sharesRoot.c_str(), 1);
    ::setenv("TMPDIR", world_->configFolder.c_str(), 1);
    return *world_;
}

}  // namespace ztl::demo::testing
