#pragma once
// Reads RTF 1.x into a text document for the rich-text areas: text, paragraphs, line breaks,
// tabs, bold, italic, underline, font size, the font table's families, paragraph alignment,
// indent and spacing. Colours, styles, pictures, objects, headers and footers, document
// information and every ignorable destination ({\*...}) are skipped; unknown control words
// are ignored. Text is code page 1252 (\'hh) or Unicode (\uN with its \ucN fallback).
//
// The reader runs in one pass without recursion; memory grows with the input and no faster,
// so a file from anywhere (a damaged disk, a hostile sender) is safe to read.
#include <QByteArray>
#include <QString>

class QTextDocument;

namespace ztl::rtf {

// Deeper nesting is refused: word processors write a few levels, never hundreds.
inline constexpr int kMaxGroupDepth = 256;

// Replaces the content of doc with the document in rtf and returns true. Refuses, returning
// false with the reason in *error and doc left as it was: input that does not start with
// "{\rtf", groups nested deeper than kMaxGroupDepth, binary data (\binN) running past the end.
// A document cut short (unclosed groups, an escape missing its end) keeps the text it has;
// whatever follows the closing brace of the document is ignored.
// Needs no QGuiApplication: sizes and families are set as formats, not resolved into fonts.
bool readInto(const QByteArray& rtf, QTextDocument& doc, QString* error = nullptr);

}  // namespace ztl::rtf
