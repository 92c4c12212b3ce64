#pragma once
// The bookkeeper's console: the pages and data the bridge service serves under /console/ to
// a browser on the bookkeeper's PC. Nothing is shown before sign-in: a page answers the
// sign-in page, a data address 401. Signing in takes the console's own password
// (console_password_file.h), paced by the login guard the Web Connector's password has, and
// gives a session cookie (HttpOnly, SameSite=Strict, Secure over HTTPS) that ends on sign-out
// or when idle. Every form carries a token that its POST must send back (403 without it);
// the sign-in form's is the cookie it came with, as there is no session yet.
//
// Thread-safe: the HTTP server calls it from its workers.
#include <chrono>
#include <filesystem>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "qbwc/console/console_http.h"
#include "qbwc/console/console_route.h"
#include "qbwc/console/console_sessions.h"
#include "qbwc/login_guard.h"
#include "qbwc/service_journal.h"

namespace ztl::qbwc {

struct ConsoleSetup {
    std::filesystem::path passwordFile;
    // The address the programs hand their requests to, read anew at each look: a setting
    // changed under the running service shows at once.
    std::function<std::string()> programsAddress;
    std::string served;  // "qbwc:HOST:PORT": where this service serves the programs
    std::chrono::seconds idle{30 * 60};
    std::function<void(const std::string&)> note;  // sign-ins and refusals, for the bridge's log
    // The console's other parts, asked in order once the browser is signed in.
    std::vector<ConsoleRoute> routes = {};
    // What the status page says of the stores' nights (the last run that posted, each
    // timer's next run); nothing when not given.
    std::function<nlohmann::json(std::chrono::system_clock::time_point)> nights = {};
    // The clocks, for tests; the system's when not given.
    std::function<std::chrono::steady_clock::time_point()> steadyNow = {};
    std::function<std::chrono::system_clock::time_point()> wallNow = {};
};

class BookkeeperConsole {
  public:
    explicit BookkeeperConsole(ConsoleSetup setup);

    // The answer to `request`; `status` is asked only once the browser is signed in.
    ConsoleReply answer(const ConsoleRequest& request, const std::function<ServiceStatus()>& status);

  private:
    struct Visit;
    ConsoleReply signIn(const Visit& visit);
    ConsoleReply signInPage(const Visit& visit, int status, const std::string& message);
    ConsoleReply signedIn(const Visit& visit, const std::string& formToken,
                          const std::function<ServiceStatus()>& status);
    std::string storedHash();

    ConsoleSetup setup_;
    ConsoleSessions sessions_;
    std::mutex checking_;  // one slow password check at a time, the guard consulted under it
    LoginGuard guard_;
};

}  // namespace ztl::qbwc
