#pragma once
// What the bookkeeper's console is asked over HTTP and what it answers, apart from the
// HTTP server that carries it: the server reads the request whole (its body bounded) and
// writes the answer back, the console decides everything in between.
#include <string>
#include <utility>
#include <vector>

namespace ztl::qbwc {

struct ConsoleRequest {
    std::string method;       // "GET" or "POST"
    std::string target;       // as sent: "/console/api/status?x=1"
    std::string cookie;       // the Cookie header, empty when none
    std::string contentType;  // of the body
    std::string body;
    std::string peer;      // the client's address
    bool overTls = false;  // served over HTTPS: cookies are marked Secure
};

struct ConsoleReply {
    int status = 200;
    std::string contentType = "text/html; charset=utf-8";
    std::string body;
    std::vector<std::pair<std::string, std::string>> headers;  // Set-Cookie, Location, ...
};

// Where the console's pages and data lie on the service's address; the SOAP calls stay on
// every other path.
inline constexpr const char* kConsolePath = "/console/";

// Whether `target` is the console's: "/console", or anything under "/console/".
bool isConsoleTarget(const std::string& target);

}  // namespace ztl::qbwc
