#pragma once
// Private-profile (INI) reading as GetPrivateProfileString does it, for "kvsCatalog.ini".
// Section and key names match without regard to letter case; the first occurrence of a
// section and of a key in it wins; lines may end in CR LF or LF; blanks around names and
// values are removed, and one pair of matching quotes around a value is removed; lines
// beginning with ";" are comments. A missing key reads as the default.
#include <cstddef>
#include <string>
#include <string_view>

namespace ztl::storedata {

// The value of key in section of the INI text, cut to bufferSize - 1 characters (the
// platform fills a buffer of bufferSize characters including its closing NUL).
std::string iniValue(std::string_view text, std::string_view section, std::string_view key,
                     std::string_view def = "", size_t bufferSize = 100);

}  // namespace ztl::storedata
