#include "settings_store.h"

namespace ztl {

std::string settingsGroup(const std::string& section) {
    std::string out;
    for (char c : section) {
        char n = c == '\\' ? '/' : c;
        if (n == '/' && (out.empty() || out.back() == '/')) continue;
        out += n;
    }
    while (!out.empty() && out.back() == '/') out.pop_back();
    return out;
}

std::string settingsKeyPath(const std::string& section, const std::string& key) {
    std::string group = settingsGroup(section);
    return group.empty() ? key : group + "/" + key;
}

std::string MemorySettingsStore::get(const std::string& app, const std::string& section,
                                     const std::string& key, const std::string& def) const {
    auto it = values_.find({app, settingsKeyPath(section, key)});
    return it == values_.end() ? def : it->second;
}

void MemorySettingsStore::set(const std::string& app, const std::string& section, const std::string& key,
                              const std::string& value) {
    values_[{app, settingsKeyPath(section, key)}] = value;
}

}  // namespace ztl
