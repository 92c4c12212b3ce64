#pragma once
// A rich-text area loading a file by its name: a file that starts with "{\rtf" is rich
// text; anything else is single-byte text (code page 1252) with lines ending in CR LF, LF or
// a lone CR, as the import log and the store system write them.
#include <QTextDocument>
#include <cstdint>
#include <filesystem>

namespace ztl {

// Files larger than this are refused before they are read: the import log of a busy day is
// a few hundred kilobytes, and a document keeps many times its file's size in memory.
inline constexpr std::uintmax_t kMaxRichTextFileBytes = 16u * 1024 * 1024;

// RTF that the reader refuses (ztl::rtf::readInto), with its reason after the description.
inline constexpr long kInvalidFileFormat = 321;

// Replaces the content of doc with the file's text. Throws VbError, leaving doc as it was:
// 75 "Path/File access error" for a file that is missing, a folder or unreadable;
// 7 "Out of memory" for a file larger than kMaxRichTextFileBytes;
// 321 "Invalid file format: <reason>" for RTF the reader refuses.
void loadRichTextFile(const std::filesystem::path& path, QTextDocument& doc);

}  // namespace ztl
