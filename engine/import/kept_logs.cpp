#include "engine/import/kept_logs.h"

#include <algorithm>
#include <string>
#include <system_error>

#include "engine/company/file_names.h"
#include "platform/vb_error.h"

namespace fs = std::filesystem;

namespace ztl {
namespace {

// The numbers of the kept logs beside `log`, in no order.
std::vector<std::pair<long, fs::path>> numbered(const fs::path& log) {
    std::vector<std::pair<long, fs::path>> found;
    const std::string logName = log.filename().string();
    std::error_code ec;
    const fs::path folder = log.has_parent_path() ? log.parent_path() : fs::path(".");
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        if (std::optional<long> n = keptLogNumber(it->path().filename().string(), logName))
            found.emplace_back(*n, it->path());
    }
    return found;
}

}  // namespace

std::vector<fs::path> keptLogs(const fs::path& log) {
    auto found = numbered(log);
    std::sort(found.begin(), found.end());
    std::vector<fs::path> paths;
    for (auto& [n, path] : found) paths.push_back(std::move(path));
    return paths;
}

std::optional<fs::path> keepPreviousLog(const fs::path& log) {
    // A previous run's log is a regular file; anything else under its name (a device, a link)
    // is no run's record, and the writer reports what it cannot write there.
    std::error_code ec;
    const fs::file_status status = fs::symlink_status(log, ec);
    if (!fs::is_regular_file(status)) {
        if (!ec || !fs::exists(status)) return std::nullopt;
    } else {
        long last = 0;
        for (const auto& [n, path] : numbered(log)) last = std::max(last, n);
        const fs::path kept = keptLogPath(log, last + 1);
        if (!fs::exists(kept, ec) && !ec) {
            fs::rename(log, kept, ec);
            if (!ec) return kept;
        }
        if (!ec) ec = std::make_error_code(std::errc::file_exists);
    }
    throw VbError(vb::kPathFileAccessError, "Zentrel",
                  "The import log " + log.string() + " of the previous import could not be kept (" + ec.message() +
                      "); it was left as it is and nothing was posted");
}

}  // namespace ztl
