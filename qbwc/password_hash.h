#pragma once
// The bridge's password, kept only as a salted hash: PBKDF2-HMAC-SHA256 (OpenSSL) over a
// 16-byte random salt. The stored text names its own method and work factor, so a later
// build can raise the iterations and still check what an earlier one stored:
//   pbkdf2-sha256$<iterations>$<salt, hex>$<32-byte key, hex>
#include <string>

namespace ztl::qbwc {

inline constexpr int kPasswordIterations = 600000;

std::string hashPassword(const std::string& password, int iterations = kPasswordIterations);

// Whether `password` is the one `stored` was made from, compared in constant time. A stored
// text that is empty or not of the form above matches no password.
bool verifyPassword(const std::string& password, const std::string& stored);

}  // namespace ztl::qbwc
