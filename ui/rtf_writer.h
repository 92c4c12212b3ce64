#pragma once
// Writes RTF 1.x that any word processor opens: code page 1252 (\ansicpg1252), a font
// table, one \par per paragraph end, `\`, `{` and `}` escaped, characters above 127 as
// \'hh. Files written here read back through ztl::rtf::readInto with their text unchanged.
#include <QByteArray>

class QTextDocument;

namespace ztl::rtf {

// A single-byte text (the import log) in a fixed-pitch font, since the log is aligned in
// columns. Each line end (CR LF, LF or a lone CR) becomes one \par; a tab becomes \tab.
QByteArray fromPlainText(const QByteArray& singleByteText);

// The paragraphs of doc with their bold, italic, underline, font size, fixed pitch,
// alignment and indent; list items keep their bullet or number as text. Characters that
// code page 1252 lacks are written as \uN with "?" for readers without Unicode.
QByteArray fromDocument(const QTextDocument& doc);

}  // namespace ztl::rtf
