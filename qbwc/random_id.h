#pragma once
// Identifiers that must not be guessed, from the operating system's random source through
// OpenSSL: session tickets (128 random bits) and the GUIDs of the .qwc file.
#include <string>

namespace ztl::qbwc {

// "{XXXXXXXX-XXXX-4XXX-YXXX-XXXXXXXXXXXX}": a random (version 4) GUID, upper case, in
// braces as the Web Connector writes OwnerID and FileID.
std::string newGuid();

// 128 random bits as 32 lower-case hex digits.
std::string newTicket();

// `n` random bytes. Throws std::runtime_error when the random source fails.
std::string randomBytes(int n);

}  // namespace ztl::qbwc
