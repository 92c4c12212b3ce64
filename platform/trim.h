#pragma once
// Trimming as the system trims: the leading and trailing characters of a set removed.
// Blanks alone by default: the store system pads its fixed columns with blanks, and the
// windows store what the operator typed with the blanks around it removed.
#include <string>
#include <string_view>

namespace ztl {

inline constexpr std::string_view kBlanks = " ";
// Blanks, tabs and line ends: what a hand-written configuration or a request may carry.
inline constexpr std::string_view kWhitespace = " \t\r\n";

std::string_view trimmedView(std::string_view s, std::string_view chars = kBlanks);

inline std::string trimmed(std::string_view s, std::string_view chars = kBlanks) {
    return std::string(trimmedView(s, chars));
}

}  // namespace ztl
