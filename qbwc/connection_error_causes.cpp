#include "qbwc/connection_error_causes.h"

#include <cstdint>
#include <cstdio>

#include "qbwc/failure_codes.h"

namespace ztl::qbwc {

namespace {

struct Cause {
    std::uint32_t code;
    const char* what;  // what happened, after "QuickBooks on the bookkeeper's PC"
};

// The codes met in the field; the texts QuickBooks gives for them are what the operator may
// see in the Web Connector's own window, and the step on the PC is the failure table's.
constexpr Cause kCauses[] = {
    {0x80040408, "could not be started or could not open the company file"},
    {0x8004040A, "has another company file open than the one Zentrel posts to"},
    {0x80040416, "is not running, and the Web Connector named no company file to start it with"},
    {0x8004041A, "does not allow Zentrel into this company file"},
    {0x80040420, "refused Zentrel: access was denied in QuickBooks' certificate dialog, or not granted for runs "
                 "without a user"},
    {0x80040422, "has the company file open in single-user mode while another program uses it"},
    {0x80040423, "cannot take Zentrel's requests (qbXML 1.0 for a US QuickBooks)"},
};

}  // namespace

std::string hexCode(long number) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%08X", static_cast<unsigned>(static_cast<std::uint32_t>(number)));
    return text;
}

std::string connectionErrorExplained(long number, const std::string& message) {
    const auto code = static_cast<std::uint32_t>(number);
    std::string said = hexCode(number) + (message.empty() ? "" : " \"" + message + "\"");
    const FailureCode* failure = failureCodeOf(number);
    for (const Cause& c : kCauses) {
        if (c.code != code || !failure) continue;
        return std::string("QuickBooks on the bookkeeper's PC ") + c.what + " (the Web Connector reported " +
               said + "). On that PC: " + failure->step + "; then click Update Selected in the Web Connector.";
    }
    return "The Web Connector could not open QuickBooks on the bookkeeper's PC (it reported " + said +
           "). On that PC: open QuickBooks with the company file, close any QuickBooks dialog, then click "
           "Update Selected in the Web Connector.";
}

}  // namespace ztl::qbwc
