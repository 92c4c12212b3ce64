#pragma once
// What the Web Connector's connectionError codes mean for the store: QuickBooks runs on the
// bookkeeper's Windows PC, so nothing here can be fixed from this machine, only explained,
// with the step to take on that PC.
#include <string>

namespace ztl::qbwc {

// One plain text for a failure the Web Connector reported when it opened QuickBooks:
// the cause, QuickBooks' own words and code, and what to do on the PC. `number` is the
// HRESULT as a signed 32-bit value, `message` QuickBooks' text as the Web Connector sent it.
std::string connectionErrorExplained(long number, const std::string& message);

// "0x80040408" for -2147220472.
std::string hexCode(long number);

}  // namespace ztl::qbwc
