#pragma once
// Who gets to try a password, and what a refused authenticate leaves behind.
//
// A client address whose password was refused pays a pause before its next try is even
// checked: a second after the first refusal, doubling to eight. The password check is slow
// by design, so a guesser must not make this machine pay it at will. The table of addresses
// is bounded: a flood of new ones empties it rather than the memory.
//
// A ticket refused ("none", "nvu", "busy") may still be asked getLastError, which says why,
// and closeConnection; the last few are kept for that.
//
// Not thread-safe: the service calls it under its own lock.
#include <chrono>
#include <cstddef>
#include <deque>
#include <map>
#include <optional>
#include <string>

namespace ztl::qbwc {

class LoginGuard {
  public:
    using Clock = std::chrono::steady_clock;
    static constexpr std::size_t kAddressesKept = 1024;
    static constexpr std::size_t kRefusedTicketsKept = 16;

    // How long `address` must still wait before its password is checked; nothing when it
    // need not.
    std::optional<std::chrono::milliseconds> pauseLeft(const std::string& address, Clock::time_point now) const;
    // A refused password from `address`: the pause it pays from `now`.
    std::chrono::milliseconds refused(const std::string& address, Clock::time_point now);
    // A password accepted from `address`: it starts afresh.
    void accepted(const std::string& address);
    // The expected password has changed: no address waits for a pause any more.
    void forgiveAll();

    // Keeps `ticket` with the reason getLastError gives for it, and what closeConnection answers.
    void refusedTicket(const std::string& ticket, const std::string& why, const std::string& closing = "OK");
    // Why `ticket` was refused; nothing when it was not (or is long forgotten).
    std::optional<std::string> whyRefused(const std::string& ticket) const;
    // The Web Connector closed a refused ticket: what closeConnection answers; nothing when
    // `ticket` is not one.
    std::optional<std::string> closeRefused(const std::string& ticket);

  private:
    struct Backoff {
        int failures = 0;
        Clock::time_point until{};
    };
    std::map<std::string, Backoff> backoff_;
    struct Refusal {
        std::string why;
        std::string closing;
    };
    std::map<std::string, Refusal> refusedTickets_;
    std::deque<std::string> refusedOrder_;
};

// Why the Web Connector's authenticate `from` (" from ADDRESS", or "") as `userName` was
// refused, for the programs waiting for it: the user name of the .qwc file, or the password.
std::string refusedLoginReason(const std::string& from, const std::string& userName,
                               const std::string& expectedUser, bool userMatches);

}  // namespace ztl::qbwc
