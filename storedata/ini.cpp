#include "ini.h"

#include <strings.h>

#include "platform/trim.h"

namespace ztl::storedata {
namespace {

bool sameName(std::string_view a, std::string_view b) {
    return a.size() == b.size() && strncasecmp(a.data(), b.data(), a.size()) == 0;
}

}  // namespace

std::string iniValue(std::string_view text, std::string_view section, std::string_view key,
                     std::string_view def, size_t bufferSize) {
    std::string_view value = def;
    bool inSection = false, found = false;
    size_t start = 0;
    while (start <= text.size() && !found) {
        size_t end = text.find('\n', start);
        if (end == std::string_view::npos) end = text.size();
        std::string_view line = trimmedView(text.substr(start, end - start), kWhitespace);
        start = end + 1;
        if (line.empty() || line.front() == ';') continue;
        if (line.front() == '[') {
            size_t close = line.find(']');
            std::string_view name = trimmedView(
                line.substr(1, close == std::string_view::npos ? line.size() - 1 : close - 1), kWhitespace);
            if (inSection) break;  // the first section of that name only
            inSection = sameName(name, section);
            continue;
        }
        if (!inSection) continue;
        size_t eq = line.find('=');
        if (eq == std::string_view::npos) continue;
        if (!sameName(trimmedView(line.substr(0, eq), kWhitespace), key)) continue;
        value = trimmedView(line.substr(eq + 1), kWhitespace);
        if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
            value.back() == value.front())
            value = value.substr(1, value.size() - 2);
        found = true;
    }
    std::string out(value);
    if (bufferSize > 0 && out.size() > bufferSize - 1) out.resize(bufferSize - 1);
    return out;
}

}  // namespace ztl::storedata
