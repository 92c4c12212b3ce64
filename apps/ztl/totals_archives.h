#pragma once
// A command given the totals file by its own name finds nothing after an import: these say
// which archives lie beside it (engine/company/totals_archives.h) and which command reads
// one, so that the operator is not left with "File not found".
#include <algorithm>
#include <cctype>
#include <filesystem>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "engine/company/totals_archives.h"

namespace ztl::cli {

// A path as one word of a shell command line, quoted when it needs to be (a Windows path's
// backslashes, a blank in a folder's name).
inline std::string shellWord(const std::string& s) {
    const bool plain = !s.empty() && std::all_of(s.begin(), s.end(), [](unsigned char c) {
        return std::isalnum(c) || std::string_view("_./:=@%+,-").find(static_cast<char>(c)) != std::string_view::npos;
    });
    if (plain) return s;
    std::string quoted = "'";
    for (char c : s) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

// What is said of a totals file that is not there: the archives found beside it and the
// command that reads the newest (`commandFor` makes that command from a file's path), or
// that there is none, and how an archive's name is made.
template <typename CommandFor>
std::string missingTotalsFileText(const std::string& totalsPath, const std::vector<std::string>& archives,
                                  CommandFor commandFor) {
    std::string text = "The totals file " + totalsPath + " does not exist";
    if (archives.empty())
        return text + ", and no archive of it is beside it (its name followed by the month, day, year, hour "
                      "and minute of its import).\nName the totals file or its archive: " +
               commandFor("FILE");
    if (archives.size() == 1)
        return text + ": its import archived it as " + archives[0] + ".\nRun: " + commandFor(archives[0]);
    text += ": its imports archived it. The archives beside it, newest first:\n";
    for (const auto& a : archives) text += "  " + a + "\n";
    return text + "The newest is the last import's: " + commandFor(archives[0]);
}

}  // namespace ztl::cli
