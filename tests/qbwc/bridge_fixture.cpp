#include "bridge_fixture.h"

#include <gtest/gtest.h>
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/x509.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <memory>
#include <stdexcept>

#include "qbsim/company.h"
#include "qbsim/sample_company.h"
#include "qbwc/password_hash.h"

namespace ztl::qbwc::test {

void createSampleCompany(const std::filesystem::path& file) {
    qbsim::Company company = qbsim::Company::create(file);
    qbsim::addSampleCompany(company);
}

std::string testPasswordHash() {
    return hashPassword(kPassword, 1000);
}

ServiceTimings shortTimings(std::chrono::milliseconds timeout) {
    ServiceTimings t;
    t.timeout = timeout;
    t.hold = std::chrono::milliseconds(150);
    t.linger = std::chrono::milliseconds(100);
    return t;
}

BridgeConfig testBridgeConfig(ServiceTimings timings) {
    BridgeConfig c;
    c.credentials = {kUser, testPasswordHash()};
    c.timings = timings;
    c.http.listen = {"127.0.0.1", 0};
    c.closeGrace = std::chrono::milliseconds(2000);
    return c;
}

void writeSelfSignedCertificate(const std::filesystem::path& certificate, const std::filesystem::path& key) {
    std::unique_ptr<EVP_PKEY, decltype(&EVP_PKEY_free)> pkey(EVP_RSA_gen(2048), EVP_PKEY_free);
    std::unique_ptr<X509, decltype(&X509_free)> x509(X509_new(), X509_free);
    if (!pkey || !x509) throw std::runtime_error("no key or certificate");
    ASN1_INTEGER_set(X509_get_serialNumber(x509.get()), 1);
    X509_gmtime_adj(X509_getm_notBefore(x509.get()), -60);
    X509_gmtime_adj(X509_getm_notAfter(x509.get()), 3600);
    X509_set_pubkey(x509.get(), pkey.get());
    X509_NAME* name = X509_get_subject_name(x509.get());
    X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_ASC, reinterpret_cast<const unsigned char*>("localhost"),
                               -1, -1, 0);
    X509_set_issuer_name(x509.get(), name);
    if (!X509_sign(x509.get(), pkey.get(), EVP_sha256())) throw std::runtime_error("cannot sign");
    FILE* c = std::fopen(certificate.c_str(), "wb");
    FILE* k = std::fopen(key.c_str(), "wb");
    if (!c || !k) throw std::runtime_error("cannot write the certificate files");
    PEM_write_X509(c, x509.get());
    PEM_write_PrivateKey(k, pkey.get(), nullptr, nullptr, 0, nullptr, nullptr);
    std::fclose(c);
    std::fclose(k);
}

}  // namespace ztl::qbwc::test
