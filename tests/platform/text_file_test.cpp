#include "platform/text_file.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "platform/vb_error.h"

namespace fs = std::filesystem;

namespace {
fs::path scratch(const char* name) {
    fs::path d = fs::temp_directory_path() / ("ztl_text_" + std::to_string(::getpid()));
    fs::create_directories(d);
    return d / name;
}
long errorOf(auto&& f) {
    try {
        f();
    } catch (const ztl::VbError& e) {
        return e.number;
    }
    return 0;
}
}  // namespace

TEST(TextFile, ReadsCrLfAndLfAndAnUnterminatedLastLine) {
    auto p = scratch("mixed.txt");
    ztl::writeWholeFile(p, std::string("Q1\r\nH2\nD\x80\xff\0x\r\nlast", 18));
    ztl::TextReader r(p);
    EXPECT_EQ(r.readLine(), "Q1");
    EXPECT_EQ(r.readLine(), "H2");
    EXPECT_EQ(r.readLine(), std::string("D\x80\xff\0x", 5)) << "bytes kept as read";
    EXPECT_FALSE(r.atEnd());
    EXPECT_EQ(r.readLine(), "last");
    EXPECT_TRUE(r.atEnd());
    EXPECT_EQ(errorOf([&] { r.readLine(); }), 62);
}

TEST(TextFile, WritesCrLfAndReplacesTheOldFile) {
    auto p = scratch("out.txt");
    ztl::writeWholeFile(p, "old content that is longer");
    {
        ztl::TextWriter w(p);
        w.writeLine("one");
        w.writeLine(" ");
        w.close();
    }
    EXPECT_EQ(ztl::readWholeFile(p), "one\r\n \r\n");
}

TEST(TextFile, OpenFailuresCarryVbNumbers) {
    EXPECT_EQ(errorOf([] { ztl::TextReader r(scratch("missing.txt")); }), 53);
    EXPECT_EQ(errorOf([] { ztl::TextReader r(scratch("nodir") / "x.txt"); }), 76);
    EXPECT_EQ(errorOf([] { ztl::TextWriter w(scratch("nodir") / "x.txt"); }), 76);
    EXPECT_EQ(errorOf([] { ztl::TextReader r(scratch("")); }), 75);
}
