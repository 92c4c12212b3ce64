#include <gtest/gtest.h>
#include <unistd.h>

#include <QTextDocument>
#include <filesystem>
#include <fstream>
#include <string>

#include "platform/vb_error.h"
#include "rtf_test_support.h"
#include "ui/rich_text_file.h"
#include "ui/rtf_writer.h"

namespace fs = std::filesystem;
using ztl::rtf::test::rawText;

namespace {

class RichTextFileTest : public ::testing::Test {
  protected:
    fs::path dir = fs::temp_directory_path() / ("ztl_rich_text_file_" + std::to_string(::getpid()));
    void SetUp() override {
        fs::remove_all(dir);
        fs::create_directories(dir);
    }
    void TearDown() override {
        std::error_code ec;
        fs::permissions(dir / "locked.log", fs::perms::owner_all, ec);
        fs::remove_all(dir);
    }
    fs::path write(const std::string& name, const std::string& bytes) {
        std::ofstream(dir / name, std::ios::binary) << bytes;
        return dir / name;
    }
    // The number of the error loading the file raises, 0 when it loads; the document must
    // be untouched by a failed load.
    long loadError(const fs::path& path, QTextDocument& doc) {
        QString before = doc.toPlainText();
        try {
            ztl::loadRichTextFile(path, doc);
            return 0;
        } catch (const ztl::VbError& e) {
            EXPECT_EQ(doc.toPlainText(), before) << "a failed load changed the document";
            lastDescription = e.description;
            return e.number;
        }
    }
    std::string lastDescription;
};

TEST_F(RichTextFileTest, PlainTextIsSingleByteWithAnyLineEnd) {
    QTextDocument doc;
    EXPECT_EQ(loadError(write("3QBImport.log", "Caf\xe9 \x80\r\nsecond\nthird\rfourth\r\n"), doc), 0);
    EXPECT_EQ(rawText(doc), QString::fromUtf8("Café €\nsecond\nthird\nfourth\n"));
}

TEST_F(RichTextFileTest, RtfIsReadAsRichText) {
    QTextDocument doc;
    EXPECT_EQ(loadError(write("saved.txt", "{\\rtf1 {\\b Bold} text\\par next}"), doc), 0);
    EXPECT_EQ(rawText(doc), "Bold text\nnext");
    EXPECT_EQ(ztl::rtf::test::describe(ztl::rtf::test::looks(doc)).substr(0, 8), "B[b24]o[");

    // A saved log comes back as the log.
    EXPECT_EQ(loadError(write("log.rtf", ztl::rtf::fromPlainText("a {b}\r\nc\r\n").toStdString()), doc), 0);
    EXPECT_EQ(rawText(doc), "a {b}\nc\n");

    // Only "{\rtf" at the very start makes rich text.
    EXPECT_EQ(loadError(write("almost.txt", " {\\rtf1 x}"), doc), 0);
    EXPECT_EQ(rawText(doc), " {\\rtf1 x}");
}

TEST_F(RichTextFileTest, FailuresCarryThePlatformsNumbers) {
    QTextDocument doc;
    doc.setPlainText("kept");
    EXPECT_EQ(loadError(dir / "missing.rtf", doc), ztl::vb::kPathFileAccessError);
    EXPECT_EQ(lastDescription, "Path/File access error");
    EXPECT_EQ(loadError(dir, doc), ztl::vb::kPathFileAccessError) << "a folder is not a file";
    EXPECT_EQ(loadError(write("deep.rtf", "{\\rtf1" + std::string(5000, '{')), doc), ztl::kInvalidFileFormat);
    EXPECT_EQ(lastDescription, "Invalid file format: groups are nested more than 256 deep");

    fs::path big = write("big.log", "");
    fs::resize_file(big, ztl::kMaxRichTextFileBytes + 1);
    EXPECT_EQ(loadError(big, doc), 7);

    if (::geteuid() != 0) {  // root reads whatever the permissions say
        fs::path locked = write("locked.log", "secret");
        fs::permissions(locked, fs::perms::none);
        EXPECT_EQ(loadError(locked, doc), ztl::vb::kPathFileAccessError);
    }
}

TEST_F(RichTextFileTest, AFileOfExactlyTheLimitLoads) {
    fs::path big = write("full.log", "");
    fs::resize_file(big, ztl::kMaxRichTextFileBytes);
    QTextDocument doc;
    EXPECT_EQ(loadError(big, doc), 0);
}

}  // namespace
