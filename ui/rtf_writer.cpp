#include "ui/rtf_writer.h"

#include <QFont>
#include <QTextBlock>
#include <QTextCharFormat>
#include <QTextDocument>
#include <QTextList>
#include <cmath>
#include <optional>

#include "platform/windows1252.h"

namespace ztl::rtf {
namespace {

constexpr int kDefaultHalfPoints = 24;
constexpr int kMaxHalfPoints = 3276;
constexpr double kTwipsPerPixel = 15.0;  // 1440 twips an inch, 96 pixels an inch
constexpr char kHex[] = "0123456789abcdef";

// The text of the document follows its last header word directly; the header ends in a
// control word, so a delimiting blank is owed before the first character.
constexpr char kPlainTextHeader[] =
    "{\\rtf1\\ansi\\ansicpg1252\\deff0\\uc1"
    "{\\fonttbl{\\f0\\fmodern\\fprq1\\fcharset0 Courier New;}}\r\n"
    "\\pard\\plain\\f0\\fs20 ";

// f0 for running text, f1 for the fixed-pitch runs (code, examples of file names).
constexpr char kDocumentHeader[] =
    "{\\rtf1\\ansi\\ansicpg1252\\deff0\\uc1"
    "{\\fonttbl{\\f0\\fswiss\\fcharset0 Arial;}{\\f1\\fmodern\\fprq1\\fcharset0 Courier New;}}\r\n";

void appendHexByte(QByteArray& out, unsigned char b) {
    out += "\\'";
    out += kHex[b >> 4];
    out += kHex[b & 0xF];
}

// The code page 1252 byte of a character, if the code page has it.
std::optional<unsigned char> codePageByte(char16_t c) {
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) return static_cast<unsigned char>(c);
    for (int b = 0x80; b <= 0x9F; ++b)
        if (windows1252CodePoint(static_cast<unsigned char>(b)) == c) return static_cast<unsigned char>(b);
    return std::nullopt;
}

int halfPointsOf(double points, int fallback) {
    if (!(points > 0)) return fallback;
    return std::clamp(static_cast<int>(std::lround(points * 2)), 1, kMaxHalfPoints);
}

bool isFixedPitch(const QTextCharFormat& fmt) {
    if (fmt.fontFixedPitch()) return true;
    QFont font = fmt.font();
    if (font.fixedPitch() || font.styleHint() == QFont::TypeWriter || font.styleHint() == QFont::Monospace)
        return true;
    // Markdown code takes the platform's generic fixed family without marking it fixed.
    return font.families().contains(QStringLiteral("monospace"), Qt::CaseInsensitive);
}

struct RunFormat {
    bool bold = false;
    bool italic = false;
    bool underline = false;
    bool fixed = false;
    int halfPoints = kDefaultHalfPoints;
};

// Writes control words and text while remembering whether the last thing written was a
// control word, which a following letter, digit or blank would otherwise extend.
class Writer {
  public:
    explicit Writer(QByteArray& out) : out_(out) {}

    void word(const char* name) {
        out_ += '\\';
        out_ += name;
        owesDelimiter_ = true;
    }

    void word(const char* name, long long param) {
        word(name);
        out_ += QByteArray::number(param);
    }

    void raw(const char* text) {
        out_ += text;
        owesDelimiter_ = false;
    }

    void text(const QString& s) {
        for (QChar qc : s) character(qc.unicode());
    }

    void character(char16_t c) {
        if (c == '\t') return word("tab");
        if (c == QChar::LineSeparator || c == QChar::ParagraphSeparator || c == '\n') return word("line");
        // Control characters, embedded objects and the document's frame marks are no text.
        if (c < 0x20 || c == QChar::ObjectReplacementCharacter || c == 0xFDD0 || c == 0xFDD1) return;
        if (c == '\\' || c == '{' || c == '}') {
            out_ += '\\';
            out_ += static_cast<char>(c);
            owesDelimiter_ = false;
            return;
        }
        if (auto b = codePageByte(c)) {
            if (*b >= 0x80) {
                appendHexByte(out_, *b);
                owesDelimiter_ = false;
                return;
            }
            if (owesDelimiter_) out_ += ' ';
            out_ += static_cast<char>(*b);
            owesDelimiter_ = false;
            return;
        }
        // \uN takes a signed 16-bit number; the "?" is the one fallback character of \uc1.
        word("u", c > 0x7FFF ? static_cast<long long>(c) - 0x10000 : static_cast<long long>(c));
        raw("?");
    }

    void format(const RunFormat& want) {
        if (want.bold != current_.bold) want.bold ? word("b") : word("b", 0);
        if (want.italic != current_.italic) want.italic ? word("i") : word("i", 0);
        if (want.underline != current_.underline) want.underline ? word("ul") : word("ulnone");
        if (want.fixed != current_.fixed) word("f", want.fixed ? 1 : 0);
        if (want.halfPoints != current_.halfPoints) word("fs", want.halfPoints);
        current_ = want;
    }

    void reset(const RunFormat& f) {
        word("plain");
        word("f", 0);
        word("fs", f.halfPoints);
        current_ = RunFormat{};
        current_.halfPoints = f.halfPoints;
    }

  private:
    QByteArray& out_;
    bool owesDelimiter_ = false;
    RunFormat current_;
};

RunFormat runFormat(const QTextCharFormat& fmt, int defaultHalfPoints) {
    RunFormat f;
    f.bold = fmt.fontWeight() > QFont::Medium;
    f.italic = fmt.fontItalic();
    f.underline = fmt.fontUnderline();
    f.fixed = isFixedPitch(fmt);
    f.halfPoints = halfPointsOf(fmt.font().pointSizeF(), defaultHalfPoints);
    return f;
}

long long twips(double pixels) {
    return std::llround(pixels * kTwipsPerPixel);
}

void paragraphWords(Writer& w, const QTextBlock& block, const QTextDocument& doc) {
    QTextBlockFormat bf = block.blockFormat();
    w.word("pard");
    Qt::Alignment h = bf.alignment() & Qt::AlignHorizontal_Mask;
    if (h & Qt::AlignHCenter) {
        w.word("qc");
    } else if (h & Qt::AlignRight) {
        w.word("qr");
    } else if (h & Qt::AlignJustify) {
        w.word("qj");
    }
    int levels = bf.indent();
    if (const QTextList* list = block.textList()) levels += list->format().indent();
    long long left = twips(bf.leftMargin() + levels * doc.indentWidth());
    if (left) w.word("li", left);
    if (long long first = twips(bf.textIndent())) w.word("fi", first);
    if (long long before = twips(bf.topMargin())) w.word("sb", before);
    if (long long after = twips(bf.bottomMargin())) w.word("sa", after);
}

// A list item's bullet or number is kept as text: the reader has no lists.
QString listMarker(const QTextBlock& block) {
    const QTextList* list = block.textList();
    if (!list) return {};
    QTextListFormat::Style style = list->format().style();
    bool bullet = style == QTextListFormat::ListDisc || style == QTextListFormat::ListCircle ||
                  style == QTextListFormat::ListSquare;
    QString marker = bullet ? QString(QChar(0x2022)) : list->itemText(block);
    return marker + QLatin1Char(' ');
}

}  // namespace

QByteArray fromPlainText(const QByteArray& text) {
    QByteArray out(kPlainTextHeader);
    out.reserve(out.size() + text.size() + text.size() / 8 + 8);
    for (qsizetype i = 0; i < text.size(); ++i) {
        unsigned char b = static_cast<unsigned char>(text[i]);
        switch (b) {
            case '\r':
                if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
                [[fallthrough]];
            case '\n':
                out += "\\par\r\n";
                break;
            case '\t':
                out += "\\tab ";
                break;
            case '\\':
            case '{':
            case '}':
                out += '\\';
                out += static_cast<char>(b);
                break;
            default:
                if (b < 0x20 || b >= 0x80) {
                    appendHexByte(out, b);
                } else {
                    out += static_cast<char>(b);
                }
        }
    }
    out += "}\r\n";
    return out;
}

QByteArray fromDocument(const QTextDocument& doc) {
    QByteArray out(kDocumentHeader);
    Writer w(out);
    RunFormat base;
    base.halfPoints = halfPointsOf(doc.defaultFont().pointSizeF(), kDefaultHalfPoints);
    w.reset(base);
    for (QTextBlock block = doc.begin(); block.isValid(); block = block.next()) {
        if (block != doc.begin()) w.raw("\\par\r\n");
        paragraphWords(w, block, doc);
        QString marker = listMarker(block);
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            QTextFragment fragment = it.fragment();
            if (!fragment.isValid()) continue;
            w.format(runFormat(fragment.charFormat(), base.halfPoints));
            if (!marker.isEmpty()) {
                w.text(marker);
                marker.clear();
            }
            w.text(fragment.text());
        }
        if (!marker.isEmpty()) w.text(marker);
    }
    w.raw("}\r\n");
    return out;
}

}  // namespace ztl::rtf
