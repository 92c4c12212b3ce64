#include "ini.h"

#include <strings.h>

namespace ztl::storedata {
namespace {

std::string_view trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) s.remove_suffix(1);
    return s;
}

bool sameName(std::string_view a, std::string_view b) {
    return a.size() == b.size() && strncasecmp(a.data(), b.data(), a.size()) == 0;
}

}  // namespace

std::string iniValue(std::string_view text, std::string_view section, std::string_view key, std::string_view def,
                     size_t bufferSize) {
    std::string_view value = def;
    bool inSection = false, found = false;
    size_t start = 0;
    while (start <= text.size() && !found) {
        size_t end = text.find('\n', start);
        if (end == std::string_view::npos) end = text.size();
        std::string_view line = trim(text.substr(start, end - start));
        start = end + 1;
        if (line.empty() || line.front() == ';') continue;
        if (line.front() == '[') {
            size_t close = line.find(']');
            std::string_view name = trim(line.substr(1, close == std::string_view::npos ? line.size() - 1 : close - 1));
            if (inSection) break;  // the first section of that name only
            inSection = sameName(name, section);
            continue;
        }
        if (!inSection) continue;
        size_t eq = line.find('=');
        if (eq == std::string_view::npos) continue;
        if (!sameName(trim(line.substr(0, eq)), key)) continue;
        value = trim(line.substr(eq + 1));
        if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front())
            value = value.substr(1, value.size() - 2);
        found = true;
    }
    std::string out(value);
    if (bufferSize > 0 && out.size() > bufferSize - 1) out.resize(bufferSize - 1);
    return out;
}

}  // namespace ztl::storedata
