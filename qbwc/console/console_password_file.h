#pragma once
// The console's own password, kept apart from the Web Connector's: the bookkeeper who signs
// in to the console need not know what is typed into the Web Connector, nor the reverse.
// Kept as password_hash.h keeps a password (a slow salted hash), in a file of its own beside
// the bridge's settings, readable by its owner only.
#include <filesystem>
#include <string>

namespace ztl::qbwc {

inline constexpr const char* kConsolePasswordFileName = "console-password";

// The stored hash; empty when no password is set (no file, or an empty one). Throws
// std::runtime_error when the file is there and cannot be read.
std::string readConsolePasswordHash(const std::filesystem::path& file);

// Replaces the stored hash at once (written beside the file, then renamed over it), mode
// 0600 from its first byte. Throws std::runtime_error saying why it cannot.
void writeConsolePasswordHash(const std::filesystem::path& file, const std::string& hash);

}  // namespace ztl::qbwc
