#include "ui/rtf_reader.h"

#include <QFont>
#include <QStringList>
#include <QTextBlockFormat>
#include <QTextCharFormat>
#include <QTextCursor>
#include <QTextDocument>
#include <algorithm>
#include <cstdint>
#include <map>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "platform/windows1252.h"

namespace ztl::rtf {
namespace {

constexpr int kDefaultHalfPoints = 24;  // RTF's size when a document names none: 12 pt
constexpr int kMaxHalfPoints = 3276;    // 1638 pt, the largest size word processors offer
constexpr size_t kMaxControlWordLength = 32;
constexpr int kMaxUnicodeSkip = 16;
constexpr int kMaxTwips = 31680;         // 22 inches: wider than any page
constexpr double kTwipsPerPixel = 15.0;  // 1440 twips an inch, 96 pixels an inch
constexpr size_t kMaxFonts = 1024;
constexpr qsizetype kMaxFontNameLength = 256;
// Parameters are 16-bit in the format and 32-bit in practice; longer digit runs saturate.
constexpr long long kParameterCeiling = 10'000'000'000LL;

struct CharFormat {
    bool bold = false;
    bool italic = false;
    bool underline = false;
    int halfPoints = kDefaultHalfPoints;
    int font = -1;  // font table number; -1 is the document's default font (\deff)
    bool operator==(const CharFormat&) const = default;
};

struct ParaFormat {
    Qt::Alignment alignment = Qt::AlignLeft;
    int leftIndent = 0;  // twips, as all four distances
    int firstIndent = 0;
    int spaceBefore = 0;
    int spaceAfter = 0;
};

enum class Destination { Text, FontTable, Skipped };

// Character and paragraph properties, the \uc count and the destination are scoped to the
// group: a closing brace restores what the opening brace saw.
struct Group {
    CharFormat chr;
    ParaFormat para;
    int unicodeSkip = 1;
    Destination dest = Destination::Text;
};

struct Font {
    QString family;
    QFont::StyleHint hint = QFont::AnyStyle;
    bool fixedPitch = false;
};

struct Run {
    CharFormat format;
    QString text;
};

struct Paragraph {
    ParaFormat format;
    std::vector<Run> runs;
};

enum class Word {
    FontTable,
    SkippedDestination,
    Par,
    Line,
    Tab,
    Character,
    Bold,
    Italic,
    Underline,
    UnderlineNone,
    Plain,
    FontSize,
    Font,
    DefaultFont,
    Pard,
    Align,
    LeftIndent,
    FirstIndent,
    SpaceBefore,
    SpaceAfter,
    Unicode,
    UnicodeSkip,
    Binary,
    FontFamily,
    FontPitch,
};

struct WordInfo {
    Word word;
    int arg = 0;  // the character, the alignment or the family's style hint
};

const WordInfo* lookup(std::string_view name) {
    static const std::unordered_map<std::string_view, WordInfo> words = {
        {"fonttbl", {Word::FontTable}},
        // Destinations whose content is not text of the document.
        {"colortbl", {Word::SkippedDestination}},
        {"stylesheet", {Word::SkippedDestination}},
        {"info", {Word::SkippedDestination}},
        {"pict", {Word::SkippedDestination}},
        {"object", {Word::SkippedDestination}},
        {"shp", {Word::SkippedDestination}},
        {"shppict", {Word::SkippedDestination}},
        {"nonshppict", {Word::SkippedDestination}},
        {"header", {Word::SkippedDestination}},
        {"headerl", {Word::SkippedDestination}},
        {"headerr", {Word::SkippedDestination}},
        {"headerf", {Word::SkippedDestination}},
        {"footer", {Word::SkippedDestination}},
        {"footerl", {Word::SkippedDestination}},
        {"footerr", {Word::SkippedDestination}},
        {"footerf", {Word::SkippedDestination}},
        {"footnote", {Word::SkippedDestination}},
        {"ftnsep", {Word::SkippedDestination}},
        {"ftnsepc", {Word::SkippedDestination}},
        {"ftncn", {Word::SkippedDestination}},
        {"xe", {Word::SkippedDestination}},
        {"tc", {Word::SkippedDestination}},
        {"fldinst", {Word::SkippedDestination}},
        {"listtable", {Word::SkippedDestination}},
        {"listoverridetable", {Word::SkippedDestination}},
        {"revtbl", {Word::SkippedDestination}},
        {"rsidtbl", {Word::SkippedDestination}},
        {"filetbl", {Word::SkippedDestination}},
        {"generator", {Word::SkippedDestination}},
        {"themedata", {Word::SkippedDestination}},
        {"colorschememapping", {Word::SkippedDestination}},
        {"latentstyles", {Word::SkippedDestination}},
        {"datastore", {Word::SkippedDestination}},
        {"xmlnstbl", {Word::SkippedDestination}},
        {"falt", {Word::SkippedDestination}},
        {"panose", {Word::SkippedDestination}},
        {"template", {Word::SkippedDestination}},
        {"docvar", {Word::SkippedDestination}},
        {"par", {Word::Par}},
        {"sect", {Word::Par}},
        {"page", {Word::Par}},
        {"row", {Word::Par}},
        {"line", {Word::Line}},
        {"tab", {Word::Tab}},
        {"cell", {Word::Tab}},
        {"emdash", {Word::Character, 0x2014}},
        {"endash", {Word::Character, 0x2013}},
        {"bullet", {Word::Character, 0x2022}},
        {"lquote", {Word::Character, 0x2018}},
        {"rquote", {Word::Character, 0x2019}},
        {"ldblquote", {Word::Character, 0x201C}},
        {"rdblquote", {Word::Character, 0x201D}},
        {"enspace", {Word::Character, 0x2002}},
        {"emspace", {Word::Character, 0x2003}},
        {"qmspace", {Word::Character, 0x2005}},
        {"b", {Word::Bold}},
        {"i", {Word::Italic}},
        {"ul", {Word::Underline}},
        {"uld", {Word::Underline}},
        {"uldb", {Word::Underline}},
        {"uldash", {Word::Underline}},
        {"ulth", {Word::Underline}},
        {"ulw", {Word::Underline}},
        {"ulwave", {Word::Underline}},
        {"ulnone", {Word::UnderlineNone}},
        {"plain", {Word::Plain}},
        {"fs", {Word::FontSize}},
        {"f", {Word::Font}},
        {"deff", {Word::DefaultFont}},
        {"pard", {Word::Pard}},
        {"ql", {Word::Align, Qt::AlignLeft}},
        {"qc", {Word::Align, Qt::AlignHCenter}},
        {"qr", {Word::Align, Qt::AlignRight}},
        {"qj", {Word::Align, Qt::AlignJustify}},
        {"li", {Word::LeftIndent}},
        {"fi", {Word::FirstIndent}},
        {"sb", {Word::SpaceBefore}},
        {"sa", {Word::SpaceAfter}},
        {"u", {Word::Unicode}},
        {"uc", {Word::UnicodeSkip}},
        {"bin", {Word::Binary}},
        {"fnil", {Word::FontFamily, QFont::AnyStyle}},
        {"froman", {Word::FontFamily, QFont::Serif}},
        {"fswiss", {Word::FontFamily, QFont::SansSerif}},
        {"fmodern", {Word::FontFamily, QFont::TypeWriter}},
        {"fscript", {Word::FontFamily, QFont::Cursive}},
        {"fdecor", {Word::FontFamily, QFont::Decorative}},
        {"ftech", {Word::FontFamily, QFont::AnyStyle}},
        {"fbidi", {Word::FontFamily, QFont::AnyStyle}},
        {"fprq", {Word::FontPitch}},
    };
    auto it = words.find(name);
    return it == words.end() ? nullptr : &it->second;
}

bool isLetter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

int hexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// One pass over the bytes. Every step consumes at least one byte, and the only stack is
// the list of open groups, capped at kMaxGroupDepth.
class Parser {
  public:
    explicit Parser(const QByteArray& rtf) : in_(rtf.constData(), static_cast<size_t>(rtf.size())) {}

    bool parse() {
        if (!in_.starts_with("{\\rtf")) return fail(QStringLiteral("the text does not start with {\\rtf"));
        while (pos_ < in_.size()) {
            char c = in_[pos_++];
            if (c == '{') {
                if (!openGroup()) return false;
            } else if (c == '}') {
                closeGroup();
                if (groups_.empty()) break;
            } else if (c == '\\') {
                if (!control()) return false;
            } else {
                rawByte(static_cast<unsigned char>(c));
            }
        }
        // A document cut short ends where its bytes end, in the formats then in force.
        if (!groups_.empty()) flushSurrogate();
        paragraphs_.back().format = groups_.empty() ? closingPara_ : groups_.back().para;
        return true;
    }

    const QString& error() const { return error_; }
    const std::vector<Paragraph>& paragraphs() const { return paragraphs_; }
    const std::map<int, Font>& fonts() const { return fonts_; }
    int defaultFont() const { return defaultFont_; }

  private:
    bool fail(const QString& reason) {
        error_ = reason;
        return false;
    }

    bool openGroup() {
        if (groups_.size() >= static_cast<size_t>(kMaxGroupDepth))
            return fail(QStringLiteral("groups are nested more than %1 deep").arg(kMaxGroupDepth));
        fallbackLeft_ = 0;
        groups_.push_back(groups_.empty() ? Group{} : groups_.back());
        return true;
    }

    void closeGroup() {
        flushSurrogate();
        fallbackLeft_ = 0;
        if (groups_.back().dest == Destination::FontTable) commitFont();
        closingPara_ = groups_.back().para;
        groups_.pop_back();
    }

    bool control() {
        if (pos_ >= in_.size()) return true;  // a backslash as the last byte: nothing follows
        char c = in_[pos_];
        if (isLetter(c)) return controlWord();
        ++pos_;
        controlSymbol(c);
        return true;
    }

    bool controlWord() {
        size_t start = pos_;
        while (pos_ < in_.size() && isLetter(in_[pos_])) ++pos_;
        std::string_view name = in_.substr(start, pos_ - start);
        bool negative = false;
        if (pos_ + 1 < in_.size() && in_[pos_] == '-' && isDigit(in_[pos_ + 1])) {
            negative = true;
            ++pos_;
        }
        bool hasParam = false;
        long long value = 0;
        while (pos_ < in_.size() && isDigit(in_[pos_])) {
            hasParam = true;
            if (value < kParameterCeiling) value = value * 10 + (in_[pos_] - '0');
            ++pos_;
        }
        if (pos_ < in_.size() && in_[pos_] == ' ') ++pos_;  // the delimiter belongs to the word
        value = std::clamp(negative ? -value : value, static_cast<long long>(INT32_MIN),
                           static_cast<long long>(INT32_MAX));
        if (name.size() > kMaxControlWordLength) return true;
        const WordInfo* info = lookup(name);
        if (!info) return true;  // words this reader does not know change nothing
        return word(*info, hasParam, static_cast<int>(value));
    }

    bool word(const WordInfo& info, bool hasParam, int param) {
        if (info.word == Word::Binary) return binary(hasParam ? param : 0);
        if (fallbackLeft_ > 0) {
            --fallbackLeft_;
            return true;
        }
        Group& g = groups_.back();
        if (g.dest == Destination::Skipped) return true;
        if (info.word == Word::SkippedDestination) {
            g.dest = Destination::Skipped;
            return true;
        }
        if (info.word == Word::FontTable) {
            g.dest = Destination::FontTable;
            return true;
        }
        if (g.dest == Destination::FontTable) {
            fontTableWord(info, hasParam, param);
            return true;
        }
        bool on = !hasParam || param != 0;
        switch (info.word) {
            case Word::Par:
                paragraph();
                break;
            case Word::Line:
                character(static_cast<char32_t>(QChar::LineSeparator));
                break;
            case Word::Tab:
                character(U'\t');
                break;
            case Word::Character:
                character(static_cast<char32_t>(info.arg));
                break;
            case Word::Bold:
                g.chr.bold = on;
                break;
            case Word::Italic:
                g.chr.italic = on;
                break;
            case Word::Underline:
                g.chr.underline = on;
                break;
            case Word::UnderlineNone:
                g.chr.underline = false;
                break;
            case Word::Plain:
                g.chr = CharFormat{};
                break;
            case Word::FontSize:
                g.chr.halfPoints =
                    hasParam && param > 0 ? std::min(param, kMaxHalfPoints) : kDefaultHalfPoints;
                break;
            case Word::Font:
                g.chr.font = hasParam ? param : 0;
                break;
            case Word::DefaultFont:
                defaultFont_ = hasParam ? param : 0;
                break;
            case Word::Pard:
                g.para = ParaFormat{};
                break;
            case Word::Align:
                g.para.alignment = Qt::Alignment(static_cast<Qt::AlignmentFlag>(info.arg));
                break;
            case Word::LeftIndent:
                g.para.leftIndent = std::clamp(param, -kMaxTwips, kMaxTwips);
                break;
            case Word::FirstIndent:
                g.para.firstIndent = std::clamp(param, -kMaxTwips, kMaxTwips);
                break;
            case Word::SpaceBefore:
                g.para.spaceBefore = std::clamp(param, 0, kMaxTwips);
                break;
            case Word::SpaceAfter:
                g.para.spaceAfter = std::clamp(param, 0, kMaxTwips);
                break;
            case Word::Unicode:
                if (hasParam) unicode(param);
                break;
            case Word::UnicodeSkip:
                g.unicodeSkip = std::clamp(param, 0, kMaxUnicodeSkip);
                break;
            default:
                break;
        }
        return true;
    }

    // \uN: a signed 16-bit UTF-16 unit, followed by \ucN characters for readers without Unicode.
    void unicode(int param) {
        long long unit = param < 0 ? param + 65536LL : param;
        if (unit < 0 || unit > 0xFFFF) {
            character(static_cast<char32_t>(QChar::ReplacementCharacter));
        } else {
            utf16Unit(static_cast<char16_t>(unit));
        }
        fallbackLeft_ = groups_.back().unicodeSkip;
    }

    // \binN: N raw bytes that are never text.
    bool binary(int length) {
        if (length > 0) {
            if (static_cast<size_t>(length) > in_.size() - pos_)
                return fail(QStringLiteral("binary data runs past the end"));
            pos_ += static_cast<size_t>(length);
        }
        if (fallbackLeft_ > 0) --fallbackLeft_;
        return true;
    }

    void controlSymbol(char c) {
        if (c == '*') {  // an ignorable destination: this reader renders none of them
            groups_.back().dest = Destination::Skipped;
            return;
        }
        char32_t ch = 0;
        if (c == '\'') {
            if (in_.size() - pos_ < 2) {  // cut short inside the escape
                pos_ = in_.size();
                return;
            }
            int hi = hexValue(in_[pos_]);
            int lo = hexValue(in_[pos_ + 1]);
            if (hi < 0 || lo < 0) return;  // not an escape: the bytes after it read as they stand
            pos_ += 2;
            ch = windows1252CodePoint(static_cast<unsigned char>(hi * 16 + lo));
        }
        if (fallbackLeft_ > 0) {
            --fallbackLeft_;
            return;
        }
        switch (c) {
            case '\'':
                character(ch);
                break;
            case '\\':
            case '{':
            case '}':
                character(static_cast<char32_t>(c));
                break;
            case '~':
                character(0x00A0);
                break;
            case '-':
                character(0x00AD);
                break;
            case '_':
                character(0x2011);
                break;
            case '\r':
            case '\n':
                if (groups_.back().dest == Destination::Text) paragraph();
                break;
            default:
                break;
        }
    }

    void rawByte(unsigned char c) {
        if (c == '\r' || c == '\n') return;  // line ends of the file are not line ends of the text
        if (fallbackLeft_ > 0) {
            --fallbackLeft_;
            return;
        }
        if (c == ';' && groups_.back().dest == Destination::FontTable) {
            commitFont();
            return;
        }
        character(windows1252CodePoint(c));
    }

    void character(char32_t c) {
        if (c > 0xFFFF) {
            flushSurrogate();
            append(QChar::highSurrogate(c));
            append(QChar::lowSurrogate(c));
        } else {
            utf16Unit(static_cast<char16_t>(c));
        }
    }

    // Pairs a high surrogate with the low one that follows; a lone half becomes U+FFFD.
    void utf16Unit(char16_t u) {
        if (QChar::isHighSurrogate(u)) {
            flushSurrogate();
            pendingHigh_ = u;
        } else if (QChar::isLowSurrogate(u)) {
            if (pendingHigh_) {
                append(pendingHigh_);
                append(u);
                pendingHigh_ = 0;
            } else {
                append(QChar::ReplacementCharacter);
            }
        } else {
            flushSurrogate();
            append(u);
        }
    }

    void flushSurrogate() {
        if (pendingHigh_) append(QChar::ReplacementCharacter);
        pendingHigh_ = 0;
    }

    void append(char16_t u) {
        Group& g = groups_.back();
        if (g.dest == Destination::FontTable) {
            if (font_.family.size() < kMaxFontNameLength) font_.family.append(QChar(u));
            return;
        }
        if (g.dest != Destination::Text) return;
        // Control characters and the document's own block and frame marks would split or
        // corrupt the document's structure; they are not text a reader sees.
        if ((u < 0x20 && u != '\t') || u == QChar::ParagraphSeparator) return;
        if (u == 0xFDD0 || u == 0xFDD1) u = QChar::ReplacementCharacter;
        std::vector<Run>& runs = paragraphs_.back().runs;
        if (runs.empty() || !(runs.back().format == g.chr)) runs.push_back(Run{g.chr, {}});
        runs.back().text.append(QChar(u));
    }

    void paragraph() {
        flushSurrogate();
        paragraphs_.back().format = groups_.back().para;
        paragraphs_.emplace_back();
    }

    void fontTableWord(const WordInfo& info, bool hasParam, int param) {
        switch (info.word) {
            case Word::Font:
                commitFont();
                fontNumber_ = hasParam ? param : 0;
                break;
            case Word::FontFamily:
                font_.hint = static_cast<QFont::StyleHint>(info.arg);
                if (font_.hint == QFont::TypeWriter) font_.fixedPitch = true;
                break;
            case Word::FontPitch:
                if (param == 1) font_.fixedPitch = true;
                break;
            case Word::Unicode:
                if (hasParam) unicode(param);
                break;
            default:
                break;
        }
    }

    // A font table entry ends at its ';' or at the end of its group.
    void commitFont() {
        if (fontNumber_ >= 0 && (fonts_.size() < kMaxFonts || fonts_.count(fontNumber_))) {
            font_.family = font_.family.trimmed();
            fonts_[fontNumber_] = font_;
        }
        fontNumber_ = -1;
        font_ = Font{};
    }

    std::string_view in_;
    size_t pos_ = 0;
    std::vector<Group> groups_;
    std::vector<Paragraph> paragraphs_ = std::vector<Paragraph>(1);
    ParaFormat closingPara_;
    std::map<int, Font> fonts_;
    int defaultFont_ = -1;
    int fontNumber_ = -1;  // the font table entry being read
    Font font_;
    int fallbackLeft_ = 0;  // characters of a \uN fallback still to drop
    char16_t pendingHigh_ = 0;
    QString error_;
};

QTextBlockFormat blockFormat(const ParaFormat& p) {
    QTextBlockFormat f;
    if (p.alignment != Qt::AlignLeft) f.setAlignment(p.alignment);
    if (p.leftIndent) f.setLeftMargin(p.leftIndent / kTwipsPerPixel);
    if (p.firstIndent) f.setTextIndent(p.firstIndent / kTwipsPerPixel);
    if (p.spaceBefore) f.setTopMargin(p.spaceBefore / kTwipsPerPixel);
    if (p.spaceAfter) f.setBottomMargin(p.spaceAfter / kTwipsPerPixel);
    return f;
}

QTextCharFormat charFormat(const CharFormat& c, const std::map<int, Font>& fonts, int defaultFont) {
    QTextCharFormat f;
    f.setFontWeight(c.bold ? QFont::Bold : QFont::Normal);
    f.setFontItalic(c.italic);
    f.setFontUnderline(c.underline);
    f.setFontPointSize(c.halfPoints / 2.0);
    auto font = fonts.find(c.font >= 0 ? c.font : defaultFont);
    if (font != fonts.end()) {
        if (!font->second.family.isEmpty()) f.setFontFamilies(QStringList{font->second.family});
        f.setFontStyleHint(font->second.hint);
        f.setFontFixedPitch(font->second.fixedPitch);
    }
    return f;
}

}  // namespace

bool readInto(const QByteArray& rtf, QTextDocument& doc, QString* error) {
    Parser parser(rtf);
    if (!parser.parse()) {
        if (error) *error = parser.error();
        return false;
    }
    doc.clear();
    QTextCursor cursor(&doc);
    cursor.beginEditBlock();
    bool first = true;
    for (const Paragraph& p : parser.paragraphs()) {
        if (first) {
            cursor.setBlockFormat(blockFormat(p.format));
        } else {
            cursor.insertBlock(blockFormat(p.format));
        }
        first = false;
        for (const Run& r : p.runs)
            cursor.insertText(r.text, charFormat(r.format, parser.fonts(), parser.defaultFont()));
    }
    cursor.endEditBlock();
    return true;
}

}  // namespace ztl::rtf
