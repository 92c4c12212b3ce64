#include "qbwc/console/console_sessions.h"

#include <openssl/crypto.h>

#include <algorithm>

#include "qbwc/random_id.h"

namespace ztl::qbwc {

ConsoleSessions::Opened ConsoleSessions::open(const std::string& passwordHash, Clock::time_point now) {
    Opened opened{newTicket() + newTicket(), newTicket()};
    std::lock_guard lock(mutex_);
    std::erase_if(sessions_, [&](const auto& s) { return now - s.second.lastUsed >= idle_; });
    if (sessions_.size() >= kSessionsKept) {
        auto oldest = std::min_element(sessions_.begin(), sessions_.end(), [](const auto& a, const auto& b) {
            return a.second.lastUsed < b.second.lastUsed;
        });
        sessions_.erase(oldest);
    }
    sessions_[opened.id] = {opened.formToken, passwordHash, now};
    return opened;
}

std::optional<std::string> ConsoleSessions::use(const std::string& id, const std::string& passwordHash,
                                                Clock::time_point now) {
    std::lock_guard lock(mutex_);
    auto it = sessions_.find(id);
    if (id.empty() || it == sessions_.end()) return std::nullopt;
    if (now - it->second.lastUsed >= idle_ || !sameSecret(passwordHash, it->second.passwordHash)) {
        sessions_.erase(it);
        return std::nullopt;
    }
    it->second.lastUsed = now;
    return it->second.formToken;
}

void ConsoleSessions::end(const std::string& id) {
    std::lock_guard lock(mutex_);
    sessions_.erase(id);
}

bool sameSecret(const std::string& sent, const std::string& expected) {
    return !expected.empty() && sent.size() == expected.size() &&
           CRYPTO_memcmp(sent.data(), expected.data(), expected.size()) == 0;
}

}  // namespace ztl::qbwc
