#pragma once
// What the bridge tests share: scratch folders, sample companies, a certificate for HTTPS,
// and a bridge on a free loopback port with the player's credentials.
#include <chrono>
#include <filesystem>
#include <string>

#include "qbwc/web_connector_factory.h"
#include "tests/support/temp_folder.h"

namespace ztl::qbwc::test {

inline constexpr const char* kUser = "clerk";
inline constexpr const char* kPassword = "s3cret pass";

using TempFolder = ztl::testsupport::TempFolder;

// A new simulated company with the sample chart, customers and vendors.
void createSampleCompany(const std::filesystem::path& file);

// kPassword hashed with few iterations: the tests check the method, not its cost.
std::string testPasswordHash();

// A bridge on 127.0.0.1, a port the system picks, expecting kUser and kPassword.
BridgeConfig testBridgeConfig(ServiceTimings timings);

// Timings short enough for tests: the program waits `timeout` for the Web Connector.
ServiceTimings shortTimings(std::chrono::milliseconds timeout = std::chrono::milliseconds(3000));

// A self-signed certificate for "localhost" and its key, as PEM files.
void writeSelfSignedCertificate(const std::filesystem::path& certificate, const std::filesystem::path& key);

}  // namespace ztl::qbwc::test
