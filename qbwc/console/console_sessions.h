#pragma once
// Who is signed in to the console: one entry per signed-in browser, named by a random id
// (the session cookie) and holding the token its forms must send back (CSRF). A session ends
// when signed out, when unused for `idle`, or when the console's password changes after it
// began. The table is bounded: a new session beyond it ends the one unused the longest.
//
// Thread-safe.
#include <chrono>
#include <cstddef>
#include <map>
#include <mutex>
#include <optional>
#include <string>

namespace ztl::qbwc {

class ConsoleSessions {
  public:
    using Clock = std::chrono::steady_clock;
    static constexpr std::size_t kSessionsKept = 32;

    explicit ConsoleSessions(std::chrono::seconds idle) : idle_(idle) {}

    struct Opened {
        std::string id;
        std::string formToken;
    };
    // A new session, begun under the password stored as `passwordHash`.
    Opened open(const std::string& passwordHash, Clock::time_point now);
    // The form token of the session `id` when it is still on (it is then used afresh); nothing
    // when it is unknown, idle too long, or began under another password.
    std::optional<std::string> use(const std::string& id, const std::string& passwordHash,
                                   Clock::time_point now);
    void end(const std::string& id);

  private:
    struct Session {
        std::string formToken;
        std::string passwordHash;
        Clock::time_point lastUsed;
    };
    const std::chrono::seconds idle_;
    std::mutex mutex_;
    std::map<std::string, Session> sessions_;
};

// Whether two secrets (a token sent and the one expected) are equal, in constant time; an
// empty one equals nothing.
bool sameSecret(const std::string& sent, const std::string& expected);

}  // namespace ztl::qbwc
