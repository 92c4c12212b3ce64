#pragma once
// What lies outside the root element of a request, checked on the text itself because the
// parser keeps none of it: binary bytes, the prolog with its qbXML version marker, and what
// follows the root. Each refusal throws RequestParseError.
#include <cstddef>
#include <string>
#include <string_view>

namespace ztl::qbsim {

// XML 1.0 allows no control characters but tab, line feed and carriage return: a request
// holding any other is binary data, whatever a lenient parser would make of it.
void rejectBinary(std::string_view text);

// Checks what comes before the root element and sets `declared` to the qbXML version its
// marker declares ("1.0" or "1.1"); returns the offset of the root element.
std::size_t checkProlog(std::string_view text, std::string& declared);

// After the root's end tag only blanks, comments and processing instructions may follow.
void checkEpilog(std::string_view text);

}  // namespace ztl::qbsim
