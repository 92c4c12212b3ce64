#pragma once
// The .qwc file the operator adds to the Web Connector: which service to call, as whom, and
// how often to come back. The Web Connector accepts only an https:// AppURL, or
// http://localhost; a host given as an IP address is refused (QBWC1001), and AppSupport must
// lie on the AppURL's host and answer HTTP 200: it is the bookkeeper's console, whose address
// answers its sign-in page to a browser not signed in.
#include <optional>
#include <string>

#include "platform/settings_store.h"

namespace ztl::qbwc {

struct QwcFields {
    std::string appName = "Korvane Zentrel";  // as the engine names itself to QuickBooks
    std::string appId;                        // the engine passes an empty application id
    std::string appUrl;
    std::string appSupport;  // empty: the AppURL itself; ztl qbwc file gives consoleAddress(appUrl)
    std::string appDescription =
        "Posts the end-of-day totals of the store into QuickBooks as journal entries.";
    std::string userName;
    std::string ownerId;        // "{GUID}"
    std::string fileId;         // "{GUID}"
    int runEveryNSeconds = 10;  // well inside the program's time-out for the Web Connector
    // For runs after hours: the Web Connector may open the company while QuickBooks is not
    // running, and the file tells it so, as nobody is there to start QuickBooks.
    bool unattended = false;
};

// The fields of the file for `url` and `user`, with the GUIDs the bridge keeps; its AppSupport
// is the console on the URL's host.
QwcFields qwcFields(const std::string& url, const std::string& user, const std::string& ownerId,
                    const std::string& fileId, bool unattended);

// The fields of the file ztl qbwc file last wrote, from the bridge's settings; nothing when
// they lack the URL, the user name or a GUID, and `missing` then says what to run on the
// store's Linux machine. Reads only: the GUIDs are made by ztl qbwc file, never here.
std::optional<QwcFields> storedQwcFields(const SettingsStore& store, std::string& missing);

// Why the Web Connector would refuse `url` as AppURL, or nothing when it accepts it.
std::optional<std::string> appUrlRefusal(const std::string& url);

// The console's address on the AppURL's host: "https://shop.example:8443/qbwc" gives
// "https://shop.example:8443/console/".
std::string consoleAddress(const std::string& appUrl);

// The file's text: XML with CR LF line ends, as Windows tools write it.
std::string qwcFileText(const QwcFields& fields);

}  // namespace ztl::qbwc
