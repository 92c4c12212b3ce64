#pragma once
// The password that last passed the slow check, so that a Web Connector calling again and
// again (on its schedule while nothing is to be done, or while the service is busy with an
// earlier session) costs this machine one slow check, not one per call. What is kept is a
// keyed digest of the password (HMAC-SHA256 under a key made at random for this process),
// never the password, and only for as long as the stored hash it passed against is the one
// expected: a new password forgets it. A password that differs is checked the slow way, so
// a guesser still pays what the check is meant to cost.
//
// Thread-safe; the slow check runs outside its lock.
#include <functional>
#include <mutex>
#include <string>

namespace ztl::qbwc {

class VerifiedCredential {
  public:
    // Whether `password` is the one `stored` was made from (password_hash.h's verifyPassword).
    using SlowCheck = std::function<bool(const std::string& password, const std::string& stored)>;

    explicit VerifiedCredential(SlowCheck check);

    // Whether `password` matches `stored`: at once when it is the one that last matched it.
    bool matches(const std::string& password, const std::string& stored);

  private:
    std::string digest(const std::string& password) const;

    SlowCheck check_;
    const std::string key_;
    std::mutex mutex_;
    std::string stored_;  // the stored hash the kept password matched
    std::string kept_;    // its digest; empty: none kept
};

}  // namespace ztl::qbwc
