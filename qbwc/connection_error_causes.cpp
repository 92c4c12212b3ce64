#include "qbwc/connection_error_causes.h"

#include <cstdint>
#include <cstdio>

namespace ztl::qbwc {

namespace {

struct Cause {
    std::uint32_t code;
    const char* what;  // what happened, after "QuickBooks on the bookkeeper's PC"
    const char* step;  // what to do there
};

// The codes met in the field; the texts QuickBooks gives for them are what the operator may
// see in the Web Connector's own window.
constexpr Cause kCauses[] = {
    {0x80040408, "could not be started or could not open the company file",
     "open QuickBooks with the company file and close any QuickBooks window or dialog that is open; run "
     "QuickBooks and the Web Connector as the same Windows user with the same rights (not one of them \"as "
     "administrator\")"},
    {0x8004040A, "has another company file open than the one Zentrel posts to",
     "close the other company and open the right one"},
    {0x80040416, "is not running, and the Web Connector named no company file to start it with",
     "start QuickBooks and open the company file"},
    {0x8004041A, "does not allow Zentrel into this company file",
     "log in to QuickBooks as the company's administrator; in Edit > Preferences > Integrated Applications > "
     "Company Preferences, allow Korvane Zentrel"},
    {0x80040420, "refused Zentrel: access was denied in QuickBooks' certificate dialog, or not granted for runs "
                 "without a user",
     "in Edit > Preferences > Integrated Applications > Company Preferences, select Korvane Zentrel, click "
     "Properties and tick \"Allow this application to log in automatically\""},
    {0x80040422, "has the company file open in single-user mode while another program uses it",
     "switch QuickBooks to multi-user mode (File > Switch to Multi-user Mode), or close the other program"},
    {0x80040423, "cannot take Zentrel's requests (qbXML 1.0 for a US QuickBooks)",
     "use a US edition of QuickBooks Desktop"},
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
    for (const Cause& c : kCauses) {
        if (c.code != code) continue;
        return std::string("QuickBooks on the bookkeeper's PC ") + c.what + " (the Web Connector reported " +
               said + "). On that PC: " + c.step + "; then click Update Selected in the Web Connector.";
    }
    return "The Web Connector could not open QuickBooks on the bookkeeper's PC (it reported " + said +
           "). On that PC: open QuickBooks with the company file, close any QuickBooks dialog, then click "
           "Update Selected in the Web Connector.";
}

}  // namespace ztl::qbwc
