#include "qbwc/password_hash.h"

#include <openssl/crypto.h>
#include <openssl/evp.h>

#include <charconv>
#include <optional>
#include <stdexcept>
#include <vector>

#include "qbwc/random_id.h"

namespace ztl::qbwc {

namespace {

constexpr const char* kMethod = "pbkdf2-sha256";
constexpr std::size_t kKeyBytes = 32;
constexpr int kMaxIterations = 10000000;  // a stored text cannot make a check take minutes

std::string toHex(const std::string& bytes) {
    static const char* digits = "0123456789abcdef";
    std::string hex;
    for (unsigned char b : bytes) {
        hex += digits[b >> 4];
        hex += digits[b & 0x0F];
    }
    return hex;
}

std::optional<std::string> fromHex(std::string_view hex) {
    if (hex.size() % 2) return std::nullopt;
    std::string bytes;
    for (std::size_t i = 0; i < hex.size(); i += 2) {
        unsigned value = 0;
        auto [end, ec] = std::from_chars(hex.data() + i, hex.data() + i + 2, value, 16);
        if (ec != std::errc() || end != hex.data() + i + 2) return std::nullopt;
        bytes += static_cast<char>(value);
    }
    return bytes;
}

std::string derive(const std::string& password, const std::string& salt, int iterations) {
    std::string key(kKeyBytes, '\0');
    if (PKCS5_PBKDF2_HMAC(password.data(), static_cast<int>(password.size()),
                          reinterpret_cast<const unsigned char*>(salt.data()), static_cast<int>(salt.size()),
                          iterations, EVP_sha256(), static_cast<int>(key.size()),
                          reinterpret_cast<unsigned char*>(key.data())) != 1)
        throw std::runtime_error("the password could not be hashed");
    return key;
}

std::vector<std::string_view> split(std::string_view text, char at) {
    std::vector<std::string_view> parts;
    std::size_t start = 0, pos;
    while ((pos = text.find(at, start)) != std::string_view::npos) {
        parts.push_back(text.substr(start, pos - start));
        start = pos + 1;
    }
    parts.push_back(text.substr(start));
    return parts;
}

}  // namespace

std::string hashPassword(const std::string& password, int iterations) {
    std::string salt = randomBytes(16);
    return std::string(kMethod) + "$" + std::to_string(iterations) + "$" + toHex(salt) + "$" +
           toHex(derive(password, salt, iterations));
}

bool verifyPassword(const std::string& password, const std::string& stored) {
    auto parts = split(stored, '$');
    if (parts.size() != 4 || parts[0] != kMethod) return false;
    int iterations = 0;
    auto [end, ec] = std::from_chars(parts[1].data(), parts[1].data() + parts[1].size(), iterations);
    if (ec != std::errc() || end != parts[1].data() + parts[1].size() || iterations < 1 ||
        iterations > kMaxIterations)
        return false;
    auto salt = fromHex(parts[2]);
    auto expected = fromHex(parts[3]);
    if (!salt || !expected || salt->empty() || expected->size() != kKeyBytes) return false;
    std::string actual = derive(password, *salt, iterations);
    return CRYPTO_memcmp(actual.data(), expected->data(), kKeyBytes) == 0;
}

}  // namespace ztl::qbwc
