#include "ui/rtf_reader.h"

#include <gtest/gtest.h>

#include <QTextBlock>
#include <QTextDocument>
#include <random>
#include <string>

#include "rtf_test_support.h"

using namespace ztl::rtf;
using ztl::rtf::test::rawText;

namespace {

struct TextCase {
    const char* what;
    std::string rtf;
    QString text;
};

QString read(const std::string& rtf, bool* ok = nullptr, QString* error = nullptr) {
    QTextDocument doc;
    bool done = readInto(QByteArray::fromStdString(rtf), doc, error);
    if (ok) *ok = done;
    return rawText(doc);
}

TEST(RtfReader, SmallDocumentsGiveTheirText) {
    const QString euro(QChar(0x20AC));
    const QString grinning = QString::fromUtf8("\xF0\x9F\x98\x80");
    const TextCase cases[] = {
        {"plain words", R"({\rtf1 Hello, world})", "Hello, world"},
        {"header words and their delimiting blank", R"({\rtf1\ansi\ansicpg1252\deff0 Hi})", "Hi"},
        {"one blank delimits, the next is text", R"({\rtf1\b  two})", " two"},
        {"escaped backslash and braces", R"({\rtf1 a\\b\{c\}})", "a\\b{c}"},
        {"code page 1252 escapes", R"({\rtf1 caf\'e9 \'80\'93})", QString::fromUtf8("café €“")},
        {"raw bytes above 127 are code page 1252", "{\\rtf1 caf\xe9}", QString::fromUtf8("café")},
        {"paragraph, line and tab", R"({\rtf1 a\par b\line c\tab d})",
         QString("a\nb") + QChar(0x2028) + "c\td"},
        {"line ends of the file are not text", "{\\rtf1 a\r\nb\nc\rd}", "abcd"},
        {"backslash before a line end is a paragraph", "{\\rtf1 a\\\nb\\\r\nc}", "a\nb\nc"},
        {"\\u with its one-character fallback", R"({\rtf1 \u8364?x})", euro + "x"},
        {"\\uc2 drops two fallback characters", R"({\rtf1\uc2 \u8364xyz})", euro + "z"},
        {"\\uc0 has no fallback", R"({\rtf1\uc0 \u8364 x})", euro + "x"},
        {"a hex escape is one fallback character", R"({\rtf1 \u233\'e9x})", QString::fromUtf8("éx")},
        {"negative \\u is the unit plus 65536", R"({\rtf1 \u-3913?})", QString(QChar(0xF0B7))},
        {"a surrogate pair in two \\u", R"({\rtf1 \u-10179?\u-8704?!})", grinning + "!"},
        {"a lone surrogate is replaced", R"({\rtf1 \u55357?x})", QString(QChar(0xFFFD)) + "x"},
        {"the end of a group ends the fallback", R"({\rtf1\uc3 {\u233}abc})", QString::fromUtf8("éabc")},
        {"\\uc is scoped to its group", R"({\rtf1 {\uc0 \u233}\u233?})", QString::fromUtf8("éé")},
        {"nested groups", R"({\rtf1 a{b{c{d}}e}f})", "abcdef"},
        {"symbols", R"({\rtf1 a\~b\-c\_d})",
         QString("a") + QChar(0xA0) + "b" + QChar(0xAD) + "c" + QChar(0x2011) + "d"},
        {"named characters", R"({\rtf1 \emdash\endash\bullet\lquote\rquote\ldblquote\rdblquote})",
         QString::fromUtf8("—–•‘’“”")},
        {"unknown words are ignored", R"({\rtf1 \foo12 a\bar-3 b\zz})", "ab"},
        {"a minus without digits is text", R"({\rtf1 \par-x})", "\n-x"},
        {"tables and information are skipped",
         R"({\rtf1{\fonttbl{\f0 Arial;}}{\colortbl;\red0\green0\blue0;}{\stylesheet{\s0 Normal;}}{\info{\title T}}Body})",
         "Body"},
        {"ignorable destinations with nested groups are skipped", R"({\rtf1 a{\*\unknown x{y{z}}w}b})", "ab"},
        {"a picture with binary data is skipped", "{\\rtf1 a{\\pict\\bin3 {}\\}b}", "ab"},
        {"binary data in text is not text", R"({\rtf1 a\bin2 xyb})", "ab"},
        {"a field shows its result, not its instruction",
         R"({\rtf1 {\field{\*\fldinst HYPERLINK "x"}{\fldrslt shown}}})", "shown"},
        {"control characters from escapes are dropped", R"({\rtf1 a\'00\'0a\'0db\u8233?c})", "abc"},
        {"text after the document's end is ignored", R"({\rtf1 a}b{c})", "a"},
        {"a document cut short keeps its text", R"({\rtf1 {\b a{\i b)", "ab"},
        {"a hex escape cut short", R"({\rtf1 a\'4)", "a"},
        {"a backslash as the last byte", "{\\rtf1 a\\", "a"},
        {"a hex escape without hex digits reads as text", R"({\rtf1 a\'zz})", "azz"},
        {"huge \\u is replaced", R"({\rtf1 \u99999999999?x})", QString(QChar(0xFFFD)) + "x"},
        {"an empty document", R"({\rtf1})", ""},
    };
    for (const TextCase& c : cases) {
        bool ok = false;
        QString error;
        QString text = read(c.rtf, &ok, &error);
        EXPECT_TRUE(ok) << c.what << ": " << error.toStdString();
        EXPECT_EQ(text, c.text) << c.what;
    }
}

struct LookCase {
    const char* what;
    std::string rtf;
    std::string looks;  // each character followed by [flags half-points]
};

TEST(RtfReader, CharacterFormatsFollowTheirGroups) {
    const LookCase cases[] = {
        {"bold span in a group and by switch", R"({\rtf1 a{\b b}c\b d\b0 e})", "a[24]b[b24]c[24]d[b24]e[24]"},
        {"italic and underline with their off forms", R"({\rtf1 \i a\i0\ul b\ulnone c\ul d\ul0 e})",
         "a[i24]b[u24]c[24]d[u24]e[24]"},
        {"plain resets the character format", R"({\rtf1\b\i\ul\fs40 a\plain b})", "a[biu40]b[24]"},
        {"font size in half-points; 0 is the default", R"({\rtf1 a\fs40 b{\fs17 c}d\fs0 e})",
         "a[24]b[40]c[17]d[40]e[24]"},
        {"a huge size is capped", R"({\rtf1\fs99999999999 a})", "a[3276]"},
        {"formats survive skipped groups", R"({\rtf1\b a{\*\x\b0 y}b})", "a[b24]b[b24]"},
        {"\\pard keeps the character format", R"({\rtf1\b a\pard b})", "a[b24]b[b24]"},
    };
    for (const LookCase& c : cases) {
        QTextDocument doc;
        ASSERT_TRUE(readInto(QByteArray::fromStdString(c.rtf), doc)) << c.what;
        EXPECT_EQ(ztl::rtf::test::describe(ztl::rtf::test::looks(doc)), c.looks) << c.what;
    }
}

TEST(RtfReader, FontTableGivesFamiliesAndPitch) {
    QTextDocument doc;
    ASSERT_TRUE(
        readInto(R"({\rtf1\deff0{\fonttbl{\f0\fswiss\fcharset0 Arial;})"
                 R"({\f1\fmodern\fprq1 Courier New;}{\f2\froman{\*\panose 0}Times;}}a\f1 b\f2 c\f7 d})",
                 doc));
    auto at = [&](int pos) {
        QTextCursor c(&doc);
        c.setPosition(pos + 1);
        return c.charFormat();
    };
    EXPECT_EQ(rawText(doc), "abcd");
    EXPECT_EQ(at(0).fontFamilies().toStringList(), QStringList{"Arial"});
    EXPECT_FALSE(at(0).fontFixedPitch());
    EXPECT_EQ(at(1).fontFamilies().toStringList(), QStringList{"Courier New"});
    EXPECT_TRUE(at(1).fontFixedPitch());
    EXPECT_EQ(at(2).fontFamilies().toStringList(), QStringList{"Times"})
        << "the panose group is not the name";
    EXPECT_FALSE(at(3).hasProperty(QTextFormat::FontFamilies)) << "a font the table lacks changes nothing";
}

TEST(RtfReader, ParagraphFormatsBelongToTheirParagraphEnd) {
    QTextDocument doc;
    ASSERT_TRUE(readInto(R"({\rtf1\qc centred\par\pard\li720\sb120 indented\par\pard\qr right})", doc));
    QTextBlock b = doc.begin();
    EXPECT_EQ(b.blockFormat().alignment() & Qt::AlignHorizontal_Mask, Qt::AlignHCenter);
    b = b.next();
    EXPECT_DOUBLE_EQ(b.blockFormat().leftMargin(), 48.0);
    EXPECT_DOUBLE_EQ(b.blockFormat().topMargin(), 8.0);
    EXPECT_EQ(b.blockFormat().alignment() & Qt::AlignHorizontal_Mask, Qt::AlignLeft);
    b = b.next();
    EXPECT_EQ(b.text(), "right");
    EXPECT_EQ(b.blockFormat().alignment() & Qt::AlignHorizontal_Mask, Qt::AlignRight);
}

TEST(RtfReader, RefusedInputLeavesTheDocumentAsItWas) {
    const struct {
        const char* what;
        std::string rtf;
        const char* reason;
    } cases[] = {
        {"empty", "", "{\\rtf"},
        {"plain text", "Hello", "{\\rtf"},
        {"header cut short", "{\\rt", "{\\rtf"},
        {"nesting too deep", "{\\rtf1" + std::string(100000, '{'), "nested"},
        {"binary data past the end", R"({\rtf1 {\pict\bin10 abc}})", "past the end"},
        {"a huge binary length", R"({\rtf1 \bin99999999999 x})", "past the end"},
    };
    for (const auto& c : cases) {
        QTextDocument doc;
        doc.setPlainText("kept");
        QString error;
        EXPECT_FALSE(readInto(QByteArray::fromStdString(c.rtf), doc, &error)) << c.what;
        EXPECT_TRUE(error.contains(c.reason)) << c.what << ": " << error.toStdString();
        EXPECT_EQ(doc.toPlainText(), "kept") << c.what;
    }
}

TEST(RtfReader, NestingUpToTheLimitIsRead) {
    // The document's own group counts as one level.
    std::string deepest = "{\\rtf1" + std::string(kMaxGroupDepth - 1, '{') + "x";
    EXPECT_EQ(read(deepest + std::string(kMaxGroupDepth, '}')), "x");
    bool ok = true;
    read("{\\rtf1" + std::string(kMaxGroupDepth, '{') + "x", &ok);
    EXPECT_FALSE(ok);
}

// A document that uses most of what the reader knows, to be damaged below.
std::string richSample() {
    return "{\\rtf1\\ansi\\ansicpg1252\\deff0\\uc1{\\fonttbl{\\f0\\fswiss Arial;}{\\f1\\fmodern\\fprq1 "
           "Courier "
           "New;}}\r\n"
           "{\\colortbl;\\red255\\green0\\blue0;}{\\*\\generator x;}{\\info{\\author A}}\r\n"
           "\\pard\\qc\\sb120\\b\\fs36 Title\\b0\\fs24\\par\r\n"
           "\\pard\\li360 caf\\'e9 \\u8364? {\\i italic {\\ul under}} \\{\\}\\\\ \\tab x\\line y\\par\r\n"
           "{\\pict\\wmetafile8 0102abcd\\bin4 \x01{}\x02}"
           "{\\field{\\*\\fldinst HYPERLINK}{\\fldrslt link}}\\~\\-\\_\\emdash\\u-10179?\\u-8704?\\par\r\n"
           "\\f1 fixed \\'80\\'9f}\r\n";
}

TEST(RtfReader, EveryTruncationEnds) {
    const std::string good = richSample();
    // Refused: a cut inside "{\rtf", and one that leaves \bin4 fewer than its 4 bytes.
    const size_t binData = good.find("\\bin4 ") + 6;
    for (size_t n = 0; n <= good.size(); ++n) {
        bool ok = false;
        QString text = read(good.substr(0, n), &ok);
        bool expected = n >= 5 && (n < binData - 1 || n >= binData + 4);
        EXPECT_EQ(ok, expected) << "cut after " << n << " bytes";
        EXPECT_LE(text.size(), static_cast<qsizetype>(n));
    }
}

TEST(RtfReader, FlippedBytesEndInTextOrAnError) {
    const std::string good = richSample();
    const unsigned char flips[] = {0xFF, 0x01, 0x20, 0x80};
    for (size_t i = 0; i < good.size(); ++i)
        for (unsigned char f : flips) {
            std::string bad = good;
            bad[i] = static_cast<char>(static_cast<unsigned char>(bad[i]) ^ f);
            QString text = read(bad);
            EXPECT_LE(text.size(), static_cast<qsizetype>(bad.size())) << "byte " << i;
        }
    // Each byte replaced by every character that steers the reader.
    for (size_t i = 5; i < good.size(); ++i)
        for (char c : {'{', '}', '\\', '\'', ';', '-', '0', ' '}) {
            std::string bad = good;
            bad[i] = c;
            read(bad);
        }
}

TEST(RtfReader, HostileShapesEnd) {
    const std::string header = "{\\rtf1 ";
    const std::string shapes[] = {
        header + std::string(1'000'000, '{'),
        header + std::string(1'000'000, '}'),
        header + "\\" + std::string(100'000, 'a') + " x}",
        header + "\\fs" + std::string(100'000, '9') + " x}",
        header + "\\bin-5 x}",
        header + std::string(100'000, '\\'),
        header + "{\\*" + std::string(200'000, 'x'),
        header + "\\uc99999999 \\u65 " + std::string(1000, 'x') + "}",
    };
    for (const std::string& s : shapes) {
        bool ok = false;
        QString text = read(s, &ok);
        EXPECT_LE(text.size(), static_cast<qsizetype>(s.size()));
    }
    std::mt19937 random(20240309);
    for (int round = 0; round < 200; ++round) {
        std::string noise = header;
        for (int i = 0; i < 2000; ++i) noise += static_cast<char>(random() & 0xFF);
        read(noise);
    }
}

}  // namespace
