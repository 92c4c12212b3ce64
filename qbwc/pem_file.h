#pragma once
// A check of the files the HTTPS service is given, made when they are set, so that a file
// the service could not use is named then, not at the service's next start.
#include <optional>
#include <string>

namespace ztl::qbwc {

// Why `file` is no PEM certificate (kind "certificate") or unencrypted PEM private key
// (kind "key"); nothing when it is one.
std::optional<std::string> pemFileRefusal(const std::string& file, const std::string& kind);

// Why the certificate and key do not belong together; nothing when they do.
std::optional<std::string> pemPairRefusal(const std::string& certificate, const std::string& key);

}  // namespace ztl::qbwc
