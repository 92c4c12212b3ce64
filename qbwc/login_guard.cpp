#include "qbwc/login_guard.h"

#include <algorithm>

namespace ztl::qbwc {

namespace {
constexpr std::chrono::milliseconds kFirstPause{1000};
constexpr std::chrono::milliseconds kLongestPause{8000};
}  // namespace

std::optional<std::chrono::milliseconds> LoginGuard::pauseLeft(const std::string& address,
                                                               Clock::time_point now) const {
    auto b = backoff_.find(address);
    if (b == backoff_.end() || now >= b->second.until) return std::nullopt;
    return std::chrono::duration_cast<std::chrono::milliseconds>(b->second.until - now);
}

std::chrono::milliseconds LoginGuard::refused(const std::string& address, Clock::time_point now) {
    if (backoff_.size() >= kAddressesKept && !backoff_.count(address)) backoff_.clear();
    Backoff& b = backoff_[address];
    ++b.failures;
    auto pause = kFirstPause * (1 << std::min(b.failures - 1, 3));
    b.until = now + std::min<std::chrono::milliseconds>(pause, kLongestPause);
    return std::chrono::duration_cast<std::chrono::milliseconds>(b.until - now);
}

void LoginGuard::accepted(const std::string& address) {
    backoff_.erase(address);
}

void LoginGuard::forgiveAll() {
    backoff_.clear();
}

void LoginGuard::refusedTicket(const std::string& ticket, const std::string& why, const std::string& closing) {
    refusedTickets_[ticket] = {why, closing};
    refusedOrder_.push_back(ticket);
    if (refusedOrder_.size() > kRefusedTicketsKept) {
        refusedTickets_.erase(refusedOrder_.front());
        refusedOrder_.pop_front();
    }
}

std::optional<std::string> LoginGuard::whyRefused(const std::string& ticket) const {
    auto it = refusedTickets_.find(ticket);
    if (it == refusedTickets_.end()) return std::nullopt;
    return it->second.why;
}

std::optional<std::string> LoginGuard::closeRefused(const std::string& ticket) {
    auto it = refusedTickets_.find(ticket);
    if (it == refusedTickets_.end()) return std::nullopt;
    std::string closing = std::move(it->second.closing);
    std::erase(refusedOrder_, ticket);
    refusedTickets_.erase(it);
    return closing;
}

std::string refusedLoginReason(const std::string& from, const std::string& userName,
                               const std::string& expectedUser, bool userMatches) {
    if (!userMatches)
        return "The Web Connector called" + from + " as the user \"" + userName + "\", not \"" + expectedUser +
               "\" of the .qwc file; add the file ztl qbwc file writes to the Web Connector again.";
    return "The Web Connector called" + from +
           ", but the Web Connector's password is not the one set with `ztl qbwc set-password`; type that "
           "password into its Password column.";
}

}  // namespace ztl::qbwc
