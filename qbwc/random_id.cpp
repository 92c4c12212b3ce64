#include "qbwc/random_id.h"

#include <openssl/rand.h>

#include <cstdio>
#include <stdexcept>

namespace ztl::qbwc {

std::string randomBytes(int n) {
    std::string bytes(static_cast<std::size_t>(n), '\0');
    if (RAND_bytes(reinterpret_cast<unsigned char*>(bytes.data()), n) != 1)
        throw std::runtime_error("the system's random source failed");
    return bytes;
}

std::string newTicket() {
    std::string bytes = randomBytes(16);
    std::string hex;
    char two[3];
    for (unsigned char b : bytes) {
        std::snprintf(two, sizeof two, "%02x", b);
        hex += two;
    }
    return hex;
}

std::string newGuid() {
    std::string b = randomBytes(16);
    auto u = [&](int i) {
        return static_cast<unsigned>(static_cast<unsigned char>(b[static_cast<std::size_t>(i)]));
    };
    b[6] = static_cast<char>((u(6) & 0x0F) | 0x40);  // version 4
    b[8] = static_cast<char>((u(8) & 0x3F) | 0x80);  // RFC 4122 variant
    char text[40];
    std::snprintf(text, sizeof text, "{%02X%02X%02X%02X-%02X%02X-%02X%02X-%02X%02X-%02X%02X%02X%02X%02X%02X}",
                  u(0), u(1), u(2), u(3), u(4), u(5), u(6), u(7), u(8), u(9), u(10), u(11), u(12), u(13),
                  u(14), u(15));
    return text;
}

}  // namespace ztl::qbwc
