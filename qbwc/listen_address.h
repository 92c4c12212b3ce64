#pragma once
// Where the bridge listens, as written after "qbwc:" in ZENTREL_QUICKBOOKS:
// "HOST:PORT", "[IPv6]:PORT". Port 0 asks the system for a free port.
#include <optional>
#include <string>

namespace ztl::qbwc {

struct ListenAddress {
    std::string host;  // without brackets
    int port = 0;
};

// The address, or nothing when `text` is not of the form above; `why` says what is wrong.
std::optional<ListenAddress> parseListenAddress(const std::string& text, std::string& why);

// Whether only this machine can reach `host`: "localhost", 127.0.0.0/8 or ::1. Plain HTTP
// is served only there; anywhere else the password would cross the network readable.
bool isLoopbackHost(const std::string& host);

}  // namespace ztl::qbwc
