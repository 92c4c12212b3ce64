#include "qbwc/console/console_path.h"

#include <algorithm>
#include <cctype>

#include "qbwc/console/console_http.h"
#include "qbwc/console/form_fields.h"

namespace ztl::qbwc {

namespace {

// A step up, a Windows separator, or an encoded slash that would split a name once decoded.
bool holdsStepOut(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text.find("..") != std::string::npos || text.find('\\') != std::string::npos ||
           text.find("%2f") != std::string::npos || text.find("%5c") != std::string::npos;
}

}  // namespace

std::optional<std::string> consolePath(const std::string& target) {
    std::string path = target.substr(0, target.find_first_of("?#"));
    // Decoded until nothing changes: a doubly encoded step up is refused as a plain one.
    for (int round = 0; round < 4; ++round) {
        if (holdsStepOut(path)) return std::nullopt;
        auto decoded = percentDecoded(path, false);
        if (!decoded) return std::nullopt;
        if (*decoded == path) return path;
        path = std::move(*decoded);
    }
    return std::nullopt;  // still encoded after four rounds: no browser sends that
}

bool isConsoleTarget(const std::string& target) {
    std::string path = target.substr(0, target.find_first_of("?#"));
    return path == "/console" || path.starts_with(kConsolePath);
}

}  // namespace ztl::qbwc
