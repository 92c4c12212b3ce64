#include "qbwc/listen_address.h"

#include <arpa/inet.h>

#include <charconv>

namespace ztl::qbwc {

std::optional<ListenAddress> parseListenAddress(const std::string& text, std::string& why) {
    std::size_t colon = text.rfind(':');
    if (colon == std::string::npos || colon == 0) {
        why = "\"" + text + "\" is not HOST:PORT";
        return std::nullopt;
    }
    ListenAddress a;
    a.host = text.substr(0, colon);
    if (a.host.size() >= 2 && a.host.front() == '[' && a.host.back() == ']')
        a.host = a.host.substr(1, a.host.size() - 2);
    else if (a.host.find(':') != std::string::npos) {
        why = "\"" + text + "\": an IPv6 address goes in brackets, [::1]:PORT";
        return std::nullopt;
    }
    std::string port = text.substr(colon + 1);
    auto [end, ec] = std::from_chars(port.data(), port.data() + port.size(), a.port);
    if (port.empty() || ec != std::errc() || end != port.data() + port.size() || a.port < 0 ||
        a.port > 65535 || a.host.empty()) {
        why = "\"" + text + "\" is not HOST:PORT with a port from 0 to 65535";
        return std::nullopt;
    }
    return a;
}

bool isLoopbackHost(const std::string& host) {
    if (host == "localhost") return true;
    in_addr v4{};
    if (inet_pton(AF_INET, host.c_str(), &v4) == 1) return (ntohl(v4.s_addr) >> 24) == 127;
    in6_addr v6{};
    if (inet_pton(AF_INET6, host.c_str(), &v6) == 1) return IN6_IS_ADDR_LOOPBACK(&v6);
    return false;
}

}  // namespace ztl::qbwc
