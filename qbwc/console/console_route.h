#pragma once
// A part of the console (the stores and their nights, the actions, the Web Connector page)
// answers the addresses it knows once the browser is signed in: the console has checked the
// session, and for a POST the form's token, before any part is asked.
#include <chrono>
#include <functional>
#include <map>
#include <optional>
#include <string>

#include "qbwc/console/console_http.h"

namespace ztl::qbwc {

struct ConsoleVisit {
    const ConsoleRequest& request;
    std::string path;                         // decoded and checked (console_path.h), without the query
    std::string query;                        // the raw query, without "?"; empty when none
    std::map<std::string, std::string> form;  // a POST's fields, the token among them
    bool api = false;                         // under /console/api/: answered in JSON
    std::string formToken;                    // for the forms a page carries
    std::string peer;                         // the browser's address, for the operation log
    std::chrono::system_clock::time_point now;
};

// The answer of a part to a visit; none when the address is not the part's.
using ConsoleRoute = std::function<std::optional<ConsoleReply>(const ConsoleVisit&)>;

}  // namespace ztl::qbwc
