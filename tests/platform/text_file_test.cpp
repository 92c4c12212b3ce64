#include "platform/text_file.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>

#include "platform/vb_error.h"

namespace fs = std::filesystem;

namespace {

class TextFile : public ::testing::Test {
  protected:
    fs::path dir = fs::temp_directory_path() / ("ztl_text_" + std::to_string(::getpid()));
    void SetUp() override { fs::create_directories(dir); }
    void TearDown() override { fs::remove_all(dir); }
    fs::path scratch(const char* name) const { return dir / name; }
};

long errorOf(auto&& f) {
    try {
        f();
    } catch (const ztl::VbError& e) {
        return e.number;
    }
    return 0;
}

std::vector<std::string> allLines(ztl::TextReader r) {
    std::vector<std::string> lines;
    while (!r.atEnd()) lines.push_back(r.readLine());
    return lines;
}

}  // namespace

TEST_F(TextFile, EveryLineEndOfThePlatformsEndsALine) {
    using Lines = std::vector<std::string>;
    const struct {
        std::string bytes;
        Lines lines;
        const char* what;
    } cases[] = {
        {"Q1\r\nH2\r\n", {"Q1", "H2"}, "CR LF"},
        {"Q1\rH2\r", {"Q1", "H2"}, "CR alone, as the store system's platform ends a line"},
        {"Q1\nH2\n", {"Q1", "H2"}, "LF, as files made on Linux"},
        {"Q1\r\nH2\nD3\rlast", {"Q1", "H2", "D3", "last"}, "mixed, and an unterminated last line"},
        {"\r\r\n\n", {"", "", ""}, "empty lines of each kind"},
        {"\n\r", {"", ""}, "LF then CR is two line ends"},
        {std::string("D\x80\xff\0x\r\n", 7), {std::string("D\x80\xff\0x", 5)}, "bytes kept as read"},
        {"", {}, "an empty file has no line"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(allLines(ztl::TextReader::fromBytes(c.bytes)), c.lines) << c.what;
        ztl::writeWholeFile(scratch("lines.txt"), c.bytes);
        EXPECT_EQ(allLines(ztl::TextReader(scratch("lines.txt"))), c.lines) << c.what << " (from a file)";
    }
    ztl::TextReader r = ztl::TextReader::fromBytes("only");
    EXPECT_EQ(r.readLine(), "only");
    EXPECT_EQ(errorOf([&] { r.readLine(); }), 62);
}

TEST_F(TextFile, WritesCrLfAndReplacesTheOldFile) {
    auto p = scratch("out.txt");
    ztl::writeWholeFile(p, "old content that is longer");
    {
        ztl::TextWriter w(p);
        w.writeLine("one");
        w.writeLine(" ");
        w.close();
    }
    EXPECT_EQ(ztl::readWholeFile(p), "one\r\n \r\n");
    ztl::appendLine(p, "two");
    EXPECT_EQ(ztl::readWholeFile(p), "one\r\n \r\ntwo\r\n");
}

TEST_F(TextFile, SyncedLinesAreInTheFileWhileTheWriterIsOpen) {
    auto p = scratch("log.txt");
    ztl::TextWriter w(p);
    w.writeLine("block 1");
    EXPECT_EQ(ztl::readWholeFile(p), "") << "collected until handed on";
    w.sync();
    EXPECT_EQ(ztl::readWholeFile(p), "block 1\r\n");
    w.writeLine("block 2");
    w.flush();
    EXPECT_EQ(ztl::readWholeFile(p), "block 1\r\nblock 2\r\n");
}

TEST_F(TextFile, AFullDeviceIsDiskFull) {
    ASSERT_TRUE(fs::exists("/dev/full"));
    // A writer pointed at the device itself, and a log whose name leads there.
    fs::create_symlink("/dev/full", scratch("QBImport.log"));
    for (const fs::path& p : {fs::path("/dev/full"), scratch("QBImport.log")}) {
        ztl::TextWriter w(p);
        w.writeLine("heading");
        EXPECT_EQ(errorOf([&] { w.sync(); }), ztl::vb::kDiskFull) << p;
        EXPECT_EQ(errorOf([&] { w.close(); }), 0) << "the failed bytes are not written twice";
        EXPECT_EQ(errorOf([&] { ztl::writeWholeFile(p, "x"); }), ztl::vb::kDiskFull) << p;
        EXPECT_EQ(errorOf([&] { ztl::appendLine(p, "x"); }), ztl::vb::kDiskFull) << p;
    }
    EXPECT_TRUE(fs::is_symlink(scratch("QBImport.log"))) << "a link is written through, not replaced";
}

TEST_F(TextFile, OpenFailuresCarryVbNumbers) {
    EXPECT_EQ(errorOf([&] { ztl::TextReader r(scratch("missing.txt")); }), 53);
    EXPECT_EQ(errorOf([&] { ztl::TextReader r(scratch("nodir") / "x.txt"); }), 76);
    EXPECT_EQ(errorOf([&] { ztl::TextWriter w(scratch("nodir") / "x.txt"); }), 76);
    EXPECT_EQ(errorOf([&] { ztl::TextReader r(scratch("")); }), 75);
    EXPECT_EQ(errorOf([&] { ztl::TextWriter w(scratch("")); }), 75);
}
