#include "settings_store.h"

#include <algorithm>
#include <cctype>

namespace ztl {
namespace {

// Registry keys are case-insensitive and nest on backslashes; trailing and doubled
// separators do not make another level.
std::string sectionKey(const std::string& s) {
    std::string out;
    for (char c : s) {
        char n = c == '/' ? '\\' : static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        if (n == '\\' && (out.empty() || out.back() == '\\')) continue;
        out += n;
    }
    while (!out.empty() && out.back() == '\\') out.pop_back();
    return out;
}

std::string lower(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return std::tolower(c); });
    return s;
}

}  // namespace

std::string MemorySettingsStore::get(const std::string& app, const std::string& section,
                                     const std::string& key, const std::string& def) const {
    auto it = values_.find({lower(app), sectionKey(section), lower(key)});
    return it == values_.end() ? def : it->second;
}

void MemorySettingsStore::set(const std::string& app, const std::string& section, const std::string& key,
                              const std::string& value) {
    values_[{lower(app), sectionKey(section), lower(key)}] = value;
}

}  // namespace ztl
