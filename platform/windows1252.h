#pragma once
// The store system's and the operator's text is single-byte Windows-1252; QuickBooks speaks
// Unicode. Text crosses at the request processor (and at the terminal): bytes go out as
// UTF-8 and come back as bytes. One small table of our own (0x80-0x9F; the rest is
// Latin-1), because Qt's codecs have Windows-1252 only when Qt is built with ICU.
#include <optional>
#include <string>
#include <string_view>

namespace ztl {

// Every byte as its Windows-1252 character in UTF-8. The five bytes Windows-1252 leaves
// undefined (0x81, 0x8D, 0x8F, 0x90, 0x9D) keep their own code points, so nothing is lost.
std::string windows1252ToUtf8(std::string_view bytes);

// UTF-8 back to Windows-1252 bytes; a character the code page lacks becomes '?'. Text that
// is not valid UTF-8 is returned as it stands (it already is single-byte text).
std::string utf8ToWindows1252(std::string_view utf8);

// Appends one Unicode code point to UTF-8 text.
void appendUtf8(std::string& out, char32_t codePoint);

// The Unicode code point of one Windows-1252 byte.
char32_t windows1252CodePoint(unsigned char byte);

}  // namespace ztl
