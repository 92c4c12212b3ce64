#include "qbwc/verified_credential.h"

#include <openssl/crypto.h>
#include <openssl/evp.h>
#include <openssl/hmac.h>

#include "qbwc/random_id.h"

namespace ztl::qbwc {

VerifiedCredential::VerifiedCredential(SlowCheck check) : check_(std::move(check)), key_(randomBytes(32)) {}

std::string VerifiedCredential::digest(const std::string& password) const {
    unsigned char out[EVP_MAX_MD_SIZE];
    unsigned int size = 0;
    if (!HMAC(EVP_sha256(), key_.data(), static_cast<int>(key_.size()),
              reinterpret_cast<const unsigned char*>(password.data()), password.size(), out, &size))
        return {};
    return std::string(reinterpret_cast<const char*>(out), size);
}

bool VerifiedCredential::matches(const std::string& password, const std::string& stored) {
    const std::string mine = digest(password);
    {
        std::lock_guard lock(mutex_);
        if (!mine.empty() && !kept_.empty() && stored == stored_ && mine.size() == kept_.size() &&
            CRYPTO_memcmp(mine.data(), kept_.data(), mine.size()) == 0)
            return true;
    }
    if (!check_(password, stored)) return false;
    std::lock_guard lock(mutex_);
    stored_ = stored;
    kept_ = mine;
    return true;
}

}  // namespace ztl::qbwc
