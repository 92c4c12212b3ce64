#pragma once
// The bridge's settings in the operator's settings store, application "ZTL", section
// "Zentrel\QBWC" (one bridge per workstation, whichever edition runs):
//
//   UserName        the user name the Web Connector sends (the .qwc file's UserName)
//   PasswordHash    the password typed into the Web Connector, as password_hash.h keeps it
//   Certificate     PEM certificate (chain) of the HTTPS service; empty: plain HTTP,
//   PrivateKey      and its PEM key                        loopback addresses only
//   TimeoutSeconds  how long the program waits for the Web Connector; default 120
//   OwnerID, FileID the .qwc file's GUIDs, made once and kept so that the same file can be
//                   written again without the Web Connector seeing a new application
//   AppURL          the .qwc file's URL: what the bookkeeper's PC calls, named in the messages
//   QuickBooks      which QuickBooks every program talks to, as ZENTREL_QUICKBOOKS says it
//                   (which wins when set): "qbwc:HOST:PORT" or "sim:FILE". Kept here, beside
//                   the bridge, because every program reads it before it knows a company,
//                   and the multi-store edition has no section of its own before then
//
// Values are UTF-8, as they arrive over HTTP and name files, not the engine's single-byte
// text.
#include <chrono>
#include <optional>
#include <string>

#include "platform/settings_store.h"

namespace ztl::qbwc {

inline constexpr const char* kBridgeSection = "Zentrel\\QBWC";
inline constexpr int kDefaultTimeoutSeconds = 120;

namespace key {
inline constexpr const char* kUserName = "UserName";
inline constexpr const char* kPasswordHash = "PasswordHash";
inline constexpr const char* kCertificate = "Certificate";
inline constexpr const char* kPrivateKey = "PrivateKey";
inline constexpr const char* kTimeoutSeconds = "TimeoutSeconds";
inline constexpr const char* kOwnerId = "OwnerID";
inline constexpr const char* kFileId = "FileID";
inline constexpr const char* kAppUrl = "AppURL";
inline constexpr const char* kQuickBooks = "QuickBooks";
}  // namespace key

struct BridgeSettings {
    std::string userName;
    std::string passwordHash;
    std::string certificateFile;
    std::string privateKeyFile;
    std::chrono::seconds timeout{kDefaultTimeoutSeconds};
    std::string appUrl;
};

// What the store holds; a TimeoutSeconds that is not a valid number reads as the default.
BridgeSettings readBridgeSettings(const SettingsStore& store);

// A TimeoutSeconds value: whole seconds from 1 to 86400; nothing for any other text.
std::optional<int> parseTimeoutSeconds(const std::string& text);

// The GUID kept under `key`, made and stored on first use.
std::string keptGuid(SettingsStore& store, const char* key);

}  // namespace ztl::qbwc
