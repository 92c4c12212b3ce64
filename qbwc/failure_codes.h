#pragma once
// The failures met between the Web Connector, QuickBooks and this service: the code each
// arrives with, what the bookkeeper sees with it, the usual causes and the step to take on
// the Windows PC. None of them can be mended from the store's Linux machine, only explained:
// the console's Web Connector page lists them, and the service's messages take their steps
// from here.
#include <cstdint>
#include <span>

namespace ztl::qbwc {

struct FailureCode {
    std::uint32_t hresult;  // QuickBooks' HRESULT; 0 for the Web Connector's own codes and for no call
    const char* code;       // as shown: "0x80040408", "QBWC1039", "no call at all"
    const char* said;       // what the Web Connector or QuickBooks shows with it
    const char* cause;      // the usual causes
    const char* step;       // what to do on the PC, in lower case to follow "On that PC: "
};

std::span<const FailureCode> failureCodes();

// The row of a QuickBooks HRESULT (a signed 32-bit value), or nullptr when it has none.
const FailureCode* failureCodeOf(long hresult);

}  // namespace ztl::qbwc
