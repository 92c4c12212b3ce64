#include "qbwc/console/timer_stores.h"

#include <algorithm>
#include <cstdlib>

namespace fs = std::filesystem;

namespace ztl::qbwc {

namespace {

constexpr std::string_view kPrefix = "zentrel-post@";
constexpr std::string_view kSuffix = ".timer";

int hexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

}  // namespace

fs::path enabledTimersFolder() {
    const char* config = std::getenv("XDG_CONFIG_HOME");
    const char* home = std::getenv("HOME");
    const fs::path base = config && *config ? fs::path(config) : fs::path(home ? home : ".") / ".config";
    return base / "systemd/user/timers.target.wants";
}

std::optional<std::string> unescapedPath(std::string_view instance) {
    if (instance == "-") return std::string("/");
    if (instance.empty()) return std::nullopt;
    std::string path = "/";
    for (size_t i = 0; i < instance.size(); ++i) {
        char c = instance[i];
        if (c == '-') {
            path += '/';
        } else if (c == '\\') {
            if (instance.size() < i + 4 || instance[i + 1] != 'x') return std::nullopt;
            const int high = hexDigit(instance[i + 2]), low = hexDigit(instance[i + 3]);
            if (high < 0 || low < 0 || (high == 0 && low == 0)) return std::nullopt;
            path += static_cast<char>(high * 16 + low);
            i += 3;
        } else {
            path += c;
        }
    }
    // The path systemd would accept: normalized, each component a name.
    size_t start = 1;
    while (start <= path.size()) {
        size_t end = path.find('/', start);
        if (end == std::string::npos) end = path.size();
        const std::string_view part = std::string_view(path).substr(start, end - start);
        if (part.empty() || part == "." || part == "..") return std::nullopt;
        start = end + 1;
    }
    return path;
}

std::vector<std::string> timerTotalsFiles(const fs::path& wantsFolder) {
    std::vector<std::string> files;
    std::error_code ec;
    for (fs::directory_iterator it(wantsFolder, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        if (!name.starts_with(kPrefix) || !name.ends_with(kSuffix)) continue;
        const std::string_view instance =
            std::string_view(name).substr(kPrefix.size(), name.size() - kPrefix.size() - kSuffix.size());
        if (std::optional<std::string> path = unescapedPath(instance)) files.push_back(*path);
    }
    std::sort(files.begin(), files.end());
    files.erase(std::unique(files.begin(), files.end()), files.end());
    return files;
}

}  // namespace ztl::qbwc
