#pragma once
// After an import the totals file stands under its archive name only (archive_file.h): the
// path followed by month, day, year, hour and minute, unpadded, with ".1", ".2", ... when a
// name was taken. A command given the totals file by its own name then finds nothing; these
// find the archives beside it and say which command reads one, so that the operator is not
// left with "File not found".
#include <algorithm>
#include <cctype>
#include <filesystem>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "engine/company/file_names.h"
#include "platform/paths.h"

namespace ztl::cli {

namespace archives_detail {


// Names on a share answer to any letter case, as the path mapping finds them.
inline bool startsWithIgnoringCase(std::string_view s, std::string_view prefix) {
    if (s.size() < prefix.size()) return false;
    for (size_t i = 0; i < prefix.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(s[i])) != std::tolower(static_cast<unsigned char>(prefix[i])))
            return false;
    return true;
}

}  // namespace archives_detail

// The archives of `totalsPath` beside it, newest first, each written as the path was given
// followed by its stamp. The names cannot be ordered (nothing is padded), the files can: an
// archive is a new file written when the day was archived; within one minute the higher
// ".N" came later.
inline std::vector<std::string> archivesOf(const std::string& totalsPath) {
    namespace fs = std::filesystem;
    struct Found {
        std::string suffix;
        fs::file_time_type written;
        int taken;
    };
    std::vector<Found> found;
    try {
        const fs::path mapped = paths::map(totalsPath);
        const std::string base = mapped.filename().string();
        if (base.empty()) return {};
        const fs::path folder = mapped.has_parent_path() ? mapped.parent_path() : fs::path(".");
        std::error_code ec;
        for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
            const std::string name = it->path().filename().string();
            if (!archives_detail::startsWithIgnoringCase(name, base)) continue;
            const std::string rest = name.substr(base.size());
            if (!isArchiveStamp(rest) || !it->is_regular_file(ec)) continue;
            found.push_back({rest, it->last_write_time(ec), archiveTakenNumber(rest)});
        }
    } catch (const std::exception&) {
        // A folder that cannot be listed holds no archive the operator could be sent to.
        return {};
    }
    std::sort(found.begin(), found.end(), [](const Found& a, const Found& b) {
        if (a.written != b.written) return a.written > b.written;
        if (a.taken != b.taken) return a.taken > b.taken;
        return a.suffix > b.suffix;
    });
    std::vector<std::string> names;
    for (const auto& f : found) names.push_back(totalsPath + f.suffix);
    return names;
}

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
