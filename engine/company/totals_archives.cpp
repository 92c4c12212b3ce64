#include "engine/company/totals_archives.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <string_view>
#include <system_error>

#include "engine/company/file_names.h"
#include "platform/paths.h"

namespace ztl {

namespace {

// Names on a share answer to any letter case, as the path mapping finds them.
bool startsWithIgnoringCase(std::string_view s, std::string_view prefix) {
    if (s.size() < prefix.size()) return false;
    for (size_t i = 0; i < prefix.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(s[i])) != std::tolower(static_cast<unsigned char>(prefix[i])))
            return false;
    return true;
}

}  // namespace

std::vector<std::string> archivesOf(const std::string& totalsPath) {
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
            if (!startsWithIgnoringCase(name, base)) continue;
            const std::string rest = name.substr(base.size());
            if (!isArchiveStamp(rest) || !it->is_regular_file(ec)) continue;
            found.push_back({rest, it->last_write_time(ec), archiveTakenNumber(rest)});
        }
    } catch (const std::exception&) {
        // A folder that cannot be listed holds no archive anyone could be sent to.
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

}  // namespace ztl
