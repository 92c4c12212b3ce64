#pragma once
// A folder of one test's own under GoogleTest's temporary folder, named after the process
// and the test so that tests running side by side never share one; made empty, and removed
// with the object.
#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <string>

namespace ztl::testsupport {

class TempFolder {
  public:
    explicit TempFolder(const std::string& prefix = "ztl") {
        static std::atomic<int> counter{0};
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        std::string name = prefix + "_" + std::to_string(::getpid()) + "_" + std::to_string(counter++) + "_" +
                           (info ? std::string(info->name()) : std::string("x"));
        for (char& c : name)
            if (c == '/') c = '_';
        path_ = std::filesystem::path(::testing::TempDir()) / name;
        std::filesystem::remove_all(path_);
        std::filesystem::create_directories(path_);
    }
    ~TempFolder() {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::filesystem::path& path() const { return path_; }
    std::filesystem::path operator/(const std::string& name) const { return path_ / name; }
    // Writes a file of exactly these bytes inside the folder; returns its path.
    std::filesystem::path write(const std::string& name, const std::string& bytes) const {
        std::ofstream(path_ / name, std::ios::binary) << bytes;
        return path_ / name;
    }

  private:
    std::filesystem::path path_;
};

}  // namespace ztl::testsupport
