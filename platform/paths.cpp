#include "paths.h"

#include <strings.h>
#include <unistd.h>

#include <cstdlib>
#include <system_error>
#include <vector>

namespace fs = std::filesystem;

namespace ztl::paths {
namespace {

std::string envOr(const char* name, const std::string& def) {
    const char* v = std::getenv(name);
    return v && *v ? std::string(v) : def;
}

bool isSep(char c) {
    return c == '\\' || c == '/';
}

std::vector<std::string> splitComponents(std::string_view p) {
    std::vector<std::string> parts;
    std::string cur;
    for (char c : p) {
        if (isSep(c)) {
            if (!cur.empty()) parts.push_back(cur);
            cur.clear();
        } else {
            cur += c;
        }
    }
    if (!cur.empty()) parts.push_back(cur);
    return parts;
}

fs::path executableFolder() {
    std::error_code ec;
    fs::path exe = fs::read_symlink("/proc/self/exe", ec);
    return ec ? fs::path() : exe.parent_path();
}

}  // namespace

bool isNetworkPath(std::string_view p) {
    return p.size() >= 2 && isSep(p[0]) && isSep(p[1]);
}

fs::path resolveCaseInsensitive(const fs::path& p) {
    fs::path out = p.root_path();
    bool searching = true;
    for (const auto& comp : p.relative_path()) {
        fs::path exact = out / comp;
        std::error_code ec;
        if (!searching || fs::exists(exact, ec)) {
            out = exact;
            continue;
        }
        fs::path found;
        if (fs::is_directory(out.empty() ? fs::path(".") : out, ec)) {
            for (const auto& entry : fs::directory_iterator(out.empty() ? fs::path(".") : out, ec)) {
                if (strcasecmp(entry.path().filename().c_str(), comp.c_str()) == 0) {
                    found = out / entry.path().filename();
                    break;
                }
            }
        }
        if (found.empty()) {
            // Nothing further down can exist; keep the names as given (a file about to be made).
            searching = false;
            out = exact;
        } else {
            out = found;
        }
    }
    return out;
}

fs::path sharesRoot() {
    return envOr("ZENTREL_SHARES", "/mnt");
}

fs::path shareRoot(std::string_view server, std::string_view share) {
    return resolveCaseInsensitive(sharesRoot() / std::string(server) / std::string(share));
}

fs::path map(std::string_view p) {
    if (!isNetworkPath(p)) return fs::path(std::string(p));
    fs::path out = sharesRoot();
    for (const auto& c : splitComponents(p)) out /= c;
    return resolveCaseInsensitive(out);
}

fs::path tempFolder() {
    return envOr("TMPDIR", "/tmp");
}

fs::path stateFolder() {
    std::string home = envOr("HOME", "/tmp");
    fs::path base = envOr("XDG_STATE_HOME", home + "/.local/state");
    fs::path dir = base / "zentrel";
    std::error_code ec;
    fs::create_directories(dir, ec);
    return dir;
}

namespace {

// An installed program finds its files beside it; one run from the build tree finds the
// files the build made; a program copied away from both falls back to the install prefix.
std::vector<fs::path> dataFolderCandidates() {
    std::vector<fs::path> candidates;
    fs::path exe = executableFolder();
    if (!exe.empty()) candidates.push_back(exe / ".." / "share" / "zentrel");
#ifdef ZTL_BUILD_DATA_DIR
    candidates.push_back(ZTL_BUILD_DATA_DIR);
#endif
#ifdef ZTL_INSTALL_DATA_DIR
    candidates.push_back(ZTL_INSTALL_DATA_DIR);
#endif
    return candidates;
}

}  // namespace

fs::path dataFolder() {
    std::vector<fs::path> candidates = dataFolderCandidates();
    std::error_code ec;
    for (const auto& c : candidates)
        if (fs::is_directory(c, ec)) return fs::weakly_canonical(c, ec);
    return candidates.empty() ? fs::path("share/zentrel") : candidates.front().lexically_normal();
}

std::optional<fs::path> firstFolderHolding(const std::vector<fs::path>& folders, const std::string& file) {
    std::error_code ec;
    for (const auto& c : folders)
        if (fs::is_regular_file(c / file, ec)) return fs::weakly_canonical(c, ec);
    return std::nullopt;
}

fs::path dataFolderHolding(const std::string& file) {
    return firstFolderHolding(dataFolderCandidates(), file).value_or(dataFolder());
}

}  // namespace ztl::paths
