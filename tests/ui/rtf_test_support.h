#pragma once
// What the rich-text tests read back from a document: its text with U+2028 (a line break
// inside a paragraph) kept apart from "\n" (a paragraph end), and each character's format.
#include <QString>
#include <QTextBlock>
#include <QTextDocument>
#include <string>
#include <vector>

namespace ztl::rtf::test {

inline QString rawText(const QTextDocument& doc) {
    QString text = doc.toRawText();
    text.replace(QChar::ParagraphSeparator, QLatin1Char('\n'));
    return text;
}

struct CharLook {
    QChar ch;
    bool bold;
    bool italic;
    bool underline;
    int halfPoints;
    bool operator==(const CharLook&) const = default;
};

// Every character of every paragraph with the format a reader sees.
inline std::vector<CharLook> looks(const QTextDocument& doc) {
    std::vector<CharLook> out;
    for (QTextBlock b = doc.begin(); b.isValid(); b = b.next())
        for (auto it = b.begin(); !it.atEnd(); ++it) {
            QTextCharFormat f = it.fragment().charFormat();
            int half = qRound(f.font().pointSizeF() * 2);
            for (QChar c : it.fragment().text())
                out.push_back({c, f.fontWeight() > QFont::Medium, f.fontItalic(), f.fontUnderline(), half});
        }
    return out;
}

inline std::string describe(const std::vector<CharLook>& v) {
    std::string s;
    for (const CharLook& l : v) {
        s += QString(l.ch).toStdString();
        s += "[";
        if (l.bold) s += "b";
        if (l.italic) s += "i";
        if (l.underline) s += "u";
        s += std::to_string(l.halfPoints) + "]";
    }
    return s;
}

}  // namespace ztl::rtf::test
