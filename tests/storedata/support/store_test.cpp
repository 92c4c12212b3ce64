#include "support/store_test.h"
#include <fstream>

#include <cstdlib>
#include <optional>
#include <system_error>

namespace fs = std::filesystem;

namespace ztl::storedata::testing {

namespace {
// $TMPDIR as the process started with it: each case points TMPDIR at its own folder.
const std::string& originalTmp() {
    static const std::string tmp = [] {
        const char* t = std::getenv("TMPDIR");
        return std::string(t && *t ? t : "/tmp");
    }();
    return tmp;
}

// A variable as the process started with it, and back: a case leaves the environment as it
// found it.
class SavedVariable {
  public:
    explicit SavedVariable(const char* name) : name_(name) {
        if (const char* v = std::getenv(name)) value_ = v;
    }
    void restore() const {
        if (value_)
            setenv(name_, value_->c_str(), 1);
        else
            unsetenv(name_);
    }

  private:
    const char* name_;
    std::optional<std::string> value_;
};

const SavedVariable& originalShares() {
    static const SavedVariable shares("ZENTREL_SHARES");
    return shares;
}
}  // namespace

void StoreTest::SetUp() {
    std::string pattern = originalTmp() + "/ztl-storedata-XXXXXX";
    std::vector<char> buf(pattern.begin(), pattern.end());
    buf.push_back('\0');
    ASSERT_NE(mkdtemp(buf.data()), nullptr);
    dir_ = buf.data();
    shares_ = dir_ / "shares";
    fs::create_directories(shares_);
    originalShares();
    setenv("ZENTREL_SHARES", shares_.c_str(), 1);
    setenv("TMPDIR", dir_.c_str(), 1);
    resetEngine();
    tree_ = std::make_unique<fixtures::StoreServerTree>(shares_, "SRV1", "DATA");
}

void StoreTest::TearDown() {
    resetEngine();
    setenv("TMPDIR", originalTmp().c_str(), 1);
    originalShares().restore();
    std::error_code ec;
    // Read-only folders made by a test must not keep the tree from being removed.
    for (auto it = fs::recursive_directory_iterator(dir_, ec); it != fs::recursive_directory_iterator(); ++it)
        fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ec);
    fs::remove_all(dir_, ec);
}

void StoreTest::startEngine(const std::string& server, const std::string& directory) {
    auto sys = std::make_shared<cSystem>();
    sys->mUNCDrive = server;
    sys->mDirectory = directory;
    sys->TerminalID = "0";
    engine().system = sys;
    createRegistries();
}

std::string fileBytes(const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

std::vector<int> bytesOf(std::string_view s) {
    std::vector<int> v;
    for (char c : s) v.push_back(static_cast<unsigned char>(c));
    return v;
}

}  // namespace ztl::storedata::testing
