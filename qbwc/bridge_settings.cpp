#include "qbwc/bridge_settings.h"

#include <charconv>

#include "qbwc/random_id.h"

namespace ztl::qbwc {

std::optional<int> parseTimeoutSeconds(const std::string& text) {
    int seconds = 0;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), seconds);
    if (text.empty() || ec != std::errc() || end != text.data() + text.size() || seconds < 1 ||
        seconds > 86400)
        return std::nullopt;
    return seconds;
}

BridgeSettings readBridgeSettings(const SettingsStore& store) {
    auto get = [&](const char* k) { return store.get(kSettingsApp, kBridgeSection, k, ""); };
    BridgeSettings s;
    s.userName = get(key::kUserName);
    s.passwordHash = get(key::kPasswordHash);
    s.certificateFile = get(key::kCertificate);
    s.privateKeyFile = get(key::kPrivateKey);
    s.appUrl = get(key::kAppUrl);
    if (auto t = parseTimeoutSeconds(get(key::kTimeoutSeconds))) s.timeout = std::chrono::seconds(*t);
    return s;
}

std::string keptGuid(SettingsStore& store, const char* k) {
    std::string guid = store.get(kSettingsApp, kBridgeSection, k, "");
    if (guid.empty()) {
        guid = newGuid();
        store.set(kSettingsApp, kBridgeSection, k, guid);
    }
    return guid;
}

}  // namespace ztl::qbwc
