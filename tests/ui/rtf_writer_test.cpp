#include "ui/rtf_writer.h"

#include <gtest/gtest.h>

#include <QTextCursor>
#include <QTextDocument>
#include <string>

#include "rtf_test_support.h"
#include "ui/rtf_reader.h"
#include "ui/single_byte_text.h"

using namespace ztl::rtf;
using ztl::rtf::test::looks;
using ztl::rtf::test::rawText;

namespace {

QString readBack(const QByteArray& rtf) {
    QTextDocument doc;
    QString error;
    EXPECT_TRUE(readInto(rtf, doc, &error)) << error.toStdString();
    return rawText(doc);
}

// Braces outside escapes balance, and every byte is 7-bit: what any RTF reader expects.
void expectWellFormed(const QByteArray& rtf) {
    int depth = 0;
    for (qsizetype i = 0; i < rtf.size(); ++i) {
        unsigned char c = static_cast<unsigned char>(rtf[i]);
        ASSERT_LT(c, 0x80) << "raw byte above 127 at " << i;
        if (c == '\\') {
            ++i;
        } else if (c == '{') {
            ++depth;
        } else if (c == '}') {
            --depth;
            ASSERT_GE(depth, 0) << "at " << i;
        }
    }
    EXPECT_EQ(depth, 0);
    EXPECT_TRUE(rtf.startsWith("{\\rtf1\\ansi\\ansicpg1252"));
    EXPECT_TRUE(rtf.contains("{\\fonttbl"));
}

TEST(RtfWriter, PlainTextReadsBackWithLfLineEnds) {
    std::string everyByte;
    for (int b = 0x20; b < 0x100; ++b) everyByte += static_cast<char>(b);
    const struct {
        const char* what;
        std::string text;
    } cases[] = {
        {"empty", ""},
        {"one line without an end", "one line"},
        {"CR LF lines", "Transaction : 1    Invoice : 004711\r\nImport successful\r\n"},
        {"LF lines without a last end", "a\nb"},
        {"lone CR and empty lines", "a\rb\r\n\r\nc\n\n"},
        {"markup characters", "{braces} and \\back\\slash\\par"},
        {"tabs and leading blanks", "\tx\t  y\r\n   z"},
        {"digits and letters after a line end", "x\r\n123\r\nabc"},
        {"every printable byte", everyByte},
    };
    for (const auto& c : cases) {
        QByteArray rtf = fromPlainText(QByteArray::fromStdString(c.text));
        expectWellFormed(rtf);
        QString expected = ztl::ui::fromSingleByte(c.text);
        expected.replace("\r\n", "\n").replace('\r', '\n');
        EXPECT_EQ(readBack(rtf), expected) << c.what;
    }
}

TEST(RtfWriter, PlainTextShowsTheLogBetweenMarkupInAFixedPitchFont) {
    QByteArray log =
        "Korvane Zentrel import log 3/9/2024 : 14:05:00\r\nTransaction : 1    Invoice : 4711\r\n"
        "Return Status Message :Caf\xe9 {ok}\r\n";
    QByteArray rtf = fromPlainText(log);
    EXPECT_TRUE(rtf.contains("Transaction : 1    Invoice : 4711\\par\r\n"));
    EXPECT_TRUE(rtf.contains("Caf\\'e9 \\{ok\\}\\par"));
    EXPECT_EQ(rtf.count("\\par\r\n"), 3);
    EXPECT_TRUE(rtf.contains("\\fmodern\\fprq1"));

    QTextDocument doc;
    ASSERT_TRUE(readInto(rtf, doc));
    QTextCursor c(&doc);
    c.setPosition(1);
    EXPECT_TRUE(c.charFormat().fontFixedPitch()) << "the log's columns stay aligned";
}

// Every character keeps its text, weight, slant, underline and size through the writer and
// the reader.
void expectRoundTrip(const QTextDocument& original, const char* what) {
    QByteArray rtf = fromDocument(original);
    expectWellFormed(rtf);
    QTextDocument back;
    QString error;
    ASSERT_TRUE(readInto(rtf, back, &error)) << what << ": " << error.toStdString();
    EXPECT_EQ(rawText(back), rawText(original)) << what;
    EXPECT_EQ(ztl::rtf::test::describe(looks(back)), ztl::rtf::test::describe(looks(original))) << what;
}

TEST(RtfWriter, DocumentsKeepTextAndFormats) {
    QTextDocument html;
    html.setDefaultFont(QFont("Sans Serif", 10));
    html.setHtml(QString::fromUtf8(
        "<p>plain <b>bold</b> <i>it</i> <u>under</u> <span style='font-size:20pt'>big</span> "
        "<span style='font-size:7.5pt'>small</span> <b><i><u>all three</u></i></b></p>"
        "<p>Ünïcödé € — \xF0\x9F\x98\x80 中文 {x} \\ a\tb</p><p></p><p>line<br>break</p>"));
    expectRoundTrip(html, "formats set in HTML");

    QTextDocument markdown;
    markdown.setDefaultFont(QFont("Sans Serif", 10));
    markdown.setMarkdown(
        "# Heading\n\nBody with **bold** and *slant*.\n\n## Second\n\n### Third\n\n`code` text\n");
    expectRoundTrip(markdown, "formats set in Markdown");
}

TEST(RtfWriter, CharactersOutsideTheCodePageAreUnicodeWithFallback) {
    QTextDocument doc;
    doc.setPlainText(QString::fromUtf8("é — 中 \xF0\x9F\x98\x80"));
    QByteArray rtf = fromDocument(doc);
    EXPECT_TRUE(rtf.contains("\\'e9 \\'97 \\u20013? \\u-10179?\\u-8704?"));
}

TEST(RtfWriter, ListItemsKeepTheirMarkersAsText) {
    QTextDocument doc;
    doc.setMarkdown("- first\n- second\n\n1. one\n2. two\n");
    QString text = readBack(fromDocument(doc));
    EXPECT_EQ(text, QString::fromUtf8("• first\n• second\n1. one\n2. two"));
}

}  // namespace
