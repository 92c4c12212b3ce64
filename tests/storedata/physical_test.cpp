// Physical file access.
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <fstream>

#include <gtest/gtest.h>

#include "storedata/engine.h"
#include "storedata/physical.h"
#include "support/store_test.h"

namespace ztl::storedata {
namespace {

namespace fs = std::filesystem;
using testing::errorOf;

std::string fileBytes(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

class PhysicalTest : public testing::StoreTest {
  protected:
    void SetUp() override {
        StoreTest::SetUp();
        // 4 blocks: block b holds the byte 'a' + b at every position.
        std::string bytes;
        for (int b = 0; b < 4; ++b) bytes += std::string(512, static_cast<char>('a' + b));
        tree_->writeKrvlinkFile("DATA/BLOCKS", bytes);
        tree_->writeFile0("THE STORE");
        startEngine();
    }
};

TEST_F(PhysicalTest, BareNameAndFullPathAreOneEntry) {
    auto a = OpenFile("FILE0");
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(a->Path, "\\\\SRV1\\KRVLINK\\DATA\\FILE0");
    EXPECT_EQ(a->Position, 0);
    auto b = OpenFile("\\\\SRV1\\KRVLINK\\DATA\\FILE0");
    EXPECT_EQ(a, b);
    EXPECT_EQ(openFiles().Count(), 1);
    auto c = OpenFile("\\\\srv1\\krvlink\\data\\file0");  // other letter case: the same key
    EXPECT_EQ(a, c);
    EXPECT_EQ(physicalPath("X"), "\\\\SRV1\\KRVLINK\\DATA\\X");
}

TEST_F(PhysicalTest, MissingFileGivesNoneAndNoError) {
    EXPECT_EQ(OpenFile("NOFILE"), nullptr);
    EXPECT_EQ(openFiles().Count(), 0);
    EXPECT_FALSE(engine().lastError.has_value());
    fs::create_directories(tree_->systemDir() / "ADIR");
    EXPECT_EQ(OpenFile("ADIR"), nullptr) << "a folder is not an ordinary file";
}

TEST_F(PhysicalTest, FileNumbersAreUniqueAndTheLowestFree) {
    auto a = OpenFile("FILE0"), b = OpenFile("BLOCKS");
    EXPECT_EQ(a->vbFileNumber, 1);
    EXPECT_EQ(b->vbFileNumber, 2);
    CloseFile(a->Path);
    auto c = OpenFile("FILE0");
    EXPECT_EQ(c->vbFileNumber, 1);
}

TEST_F(PhysicalTest, BlockReads) {
    auto f = OpenFile("BLOCKS");
    EXPECT_EQ(BlockReadFile(f, 0), std::string(512, 'a'));
    EXPECT_EQ(BlockReadFile(f, 3), std::string(512, 'd'));
    EXPECT_EQ(BlockReadFile(f, 4), std::string(512, ' ')) << "past the end: the buffer's spaces";
    EXPECT_EQ(ReadFile(f, 4, 510), "aabb");
    EXPECT_EQ(ReadFile(f, 4, 2046), "dd  ");
    EXPECT_EQ(ReadFile(f, 0, 7), "");
    EXPECT_EQ(errorOf([&] { ReadFile(f, 1, -1); }).number, 63);
    EXPECT_EQ(errorOf([&] { ReadFile(f, -1, 0); }).number, 5);
    EXPECT_EQ(errorOf([&] { BlockReadFile(f, 4194304); }).number, 6) << "512 x 4194304 overflows";
    EXPECT_EQ(errorOf([&] { BlockReadFile(nullptr, 0); }).number, 91);
    EXPECT_EQ(errorOf([&] { ReadFile(nullptr, 1); }).number, 91);
}

TEST_F(PhysicalTest, StoreNameOfFile0) {
    auto f = OpenFile("FILE0");
    EXPECT_EQ(BlockReadFile(f, 1, false).substr(150, 35), "THE STORE" + std::string(26, ' '));
}

TEST_F(PhysicalTest, WritePositionIsRememberedNotAdvanced) {
    auto f = OpenFile("BLOCKS");
    WriteFile(f, "XY", 100);
    EXPECT_EQ(f->Position, 100);
    WriteFile(f, "Z", -1);
    EXPECT_EQ(f->Position, 100);
    const std::string bytes = fileBytes(tree_->systemDir() / "BLOCKS");
    EXPECT_EQ(bytes.substr(99, 4), "aZYa");
    WriteFile(f, "Q");  // default position 0
    EXPECT_EQ(fileBytes(tree_->systemDir() / "BLOCKS")[0], 'Q');
}

TEST_F(PhysicalTest, BlockWritesAreNotLengthChecked) {
    auto f = OpenFile("BLOCKS");
    BlockWriteFile(f, 1, std::string(514, 'X'));
    std::string bytes = fileBytes(tree_->systemDir() / "BLOCKS");
    EXPECT_EQ(bytes.substr(511, 517), "a" + std::string(514, 'X') + "cc");
    BlockWriteFile(f, 3, "short");
    bytes = fileBytes(tree_->systemDir() / "BLOCKS");
    EXPECT_EQ(bytes.substr(1536, 7), "shortdd");
    BlockWriteFile(f, 5, "grows");
    EXPECT_EQ(fs::file_size(tree_->systemDir() / "BLOCKS"), 2560u + 5u);
}

TEST_F(PhysicalTest, WritesWithoutAnEntry) {
    auto e = errorOf([] { WriteFile(nullptr, "x", 0); });
    EXPECT_EQ(e.number, -10);
    EXPECT_EQ(e.source, "iwriteFile");
    EXPECT_EQ(e.description, "OpenFile parameter is undefined");
    e = errorOf([] { BlockWriteFile(nullptr, 0, "x"); });
    EXPECT_EQ(e.number, -10);
    EXPECT_EQ(e.source, "iwriteFile");
}

TEST_F(PhysicalTest, CloseTwiceAndReopen) {
    auto f = OpenFile("FILE0");
    WriteFile(f, "", 300);
    CloseFile(f->Path);
    EXPECT_EQ(openFiles().Count(), 0);
    EXPECT_EQ(f->fd, -1);
    CloseFile(f->Path);  // nothing happens
    CloseFile("\\\\SRV1\\KRVLINK\\DATA\\NEVEROPEN");
    auto g = OpenFile("FILE0");
    ASSERT_NE(g, nullptr);
    EXPECT_NE(g, f);
    EXPECT_EQ(g->Position, 0);
    EXPECT_EQ(errorOf([&] { ReadFile(f, 1); }).number, 52) << "the old entry stays closed";
}

TEST_F(PhysicalTest, ComponentsMatchCaseInsensitively) {
    tree_->writeKrvlinkFile("DATA/lowercase.dat", "hello");
    auto f = OpenFile("LOWERCASE.DAT");
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(ReadFile(f, 5), "hello");
}

// A share that refuses write access (mounted read-only): the file opens read-only, reads
// work, a write fails with a clear engine error.
TEST_F(PhysicalTest, ReadOnlyShare) {
    engine().services.openFile = [](const fs::path& p, int flags) {
        if ((flags & O_ACCMODE) != O_RDONLY) {
            errno = EROFS;
            return -1;
        }
        return ::open(p.c_str(), flags | O_CLOEXEC);
    };
    auto f = OpenFile("FILE0");
    ASSERT_NE(f, nullptr);
    EXPECT_TRUE(f->readOnly);
    EXPECT_EQ(BlockReadFile(f, 1).substr(150, 9), "THE STORE");
    auto e = errorOf([&] { BlockWriteFile(f, 1, "x"); });
    EXPECT_EQ(e.number, 75);
    EXPECT_EQ(e.source, "iwriteFile");
    EXPECT_NE(e.description.find("\\\\SRV1\\KRVLINK\\DATA\\FILE0 is open read-only"), std::string::npos);
    EXPECT_EQ(fileBytes(tree_->systemDir() / "FILE0")[512], ' ');
}

TEST_F(PhysicalTest, RefusedOpenIsKeptAsTheLastError) {
    engine().services.openFile = [](const fs::path&, int) {
        errno = EACCES;
        return -1;
    };
    EXPECT_EQ(OpenFile("FILE0"), nullptr);
    EXPECT_EQ(openFiles().Count(), 0);
    ASSERT_TRUE(engine().lastError.has_value());
    EXPECT_EQ(engine().lastError->number, 70);
    EXPECT_EQ(engine().lastError->source, "iOpenFile");
    EXPECT_EQ(engine().lastError->description, "Could not open file: \\\\SRV1\\KRVLINK\\DATA\\FILE0");
}

TEST_F(PhysicalTest, WithoutSystemRecordOrRegistry) {
    resetEngine();
    EXPECT_EQ(errorOf([] { OpenFile("FILE0"); }).number, 91);
    EXPECT_EQ(errorOf([] { CloseFile("x"); }).number, 91);
}

}  // namespace
}  // namespace ztl::storedata
