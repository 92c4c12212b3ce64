#include "qbwc/qwc_file.h"

#include <arpa/inet.h>

#include <algorithm>
#include <cctype>

#include "qbwc/bridge_settings.h"
#include "qbwc/console/console_http.h"
#include "qbwc/soap_response.h"

namespace ztl::qbwc {

namespace {

std::string lower(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return s;
}

bool isIpAddress(const std::string& host) {
    unsigned char buf[16];
    std::string h = host.size() >= 2 && host.front() == '[' ? host.substr(1, host.size() - 2) : host;
    return inet_pton(AF_INET, h.c_str(), buf) == 1 || inet_pton(AF_INET6, h.c_str(), buf) == 1;
}

}  // namespace

std::optional<std::string> appUrlRefusal(const std::string& url) {
    std::size_t scheme = url.find("://");
    if (scheme == std::string::npos) return "\"" + url + "\" is not a URL (https://HOST[:PORT]/PATH)";
    std::string protocol = lower(url.substr(0, scheme));
    std::string rest = url.substr(scheme + 3);
    std::string authority = rest.substr(0, rest.find_first_of("/?#"));
    std::string host = authority;
    if (host.starts_with("[")) {
        host = host.substr(0, host.find(']') == std::string::npos ? host.size() : host.find(']') + 1);
    } else if (std::size_t colon = host.rfind(':'); colon != std::string::npos) {
        host = host.substr(0, colon);
    }
    if (host.empty()) return "\"" + url + "\" names no host";
    if (protocol != "https" && protocol != "http") return "\"" + url + "\" is neither https:// nor http://";
    if (isIpAddress(host))
        return "the Web Connector refuses a host given as an IP address (" + host + "): use its DNS name";
    if (protocol == "http" && lower(host) != "localhost") {
        // The port of a plain-http address serves no certificate: the https address the Web
        // Connector can call is on another port, one the bridge serves with its certificate.
        const std::string path = rest.substr(authority.size());
        const std::string httpsPort = authority.ends_with(":8443") ? "443" : "8443";
        return "the Web Connector accepts plain http:// only for localhost: use an https:// address on a "
               "port "
               "the bridge serves with its certificate, such as https://" +
               host + ":" + httpsPort + (path.empty() ? "/qbwc" : path) +
               " with --listen 0.0.0.0:" + httpsPort + " (then ztl qbwc set " +
               "Certificate FILE and ztl qbwc set PrivateKey FILE), or reach this machine through an SSH "
               "tunnel " +
               "from the PC and use http://localhost:PORT" + (path.empty() ? "/qbwc" : path);
    }
    return std::nullopt;
}

std::string consoleAddress(const std::string& appUrl) {
    std::size_t scheme = appUrl.find("://");
    std::size_t path = scheme == std::string::npos ? std::string::npos : appUrl.find_first_of("/?#", scheme + 3);
    return appUrl.substr(0, path) + kConsolePath;
}

QwcFields qwcFields(const std::string& url, const std::string& user, const std::string& ownerId,
                    const std::string& fileId, bool unattended) {
    QwcFields f;
    f.appUrl = url;
    f.userName = user;
    f.ownerId = ownerId;
    f.fileId = fileId;
    f.unattended = unattended;
    f.appSupport = consoleAddress(url);
    return f;
}

std::optional<QwcFields> storedQwcFields(const SettingsStore& store, std::string& missing) {
    auto stored = [&store](const char* k) { return store.get(kSettingsApp, kBridgeSection, k, ""); };
    std::string absent;
    for (const char* k : {key::kAppUrl, key::kUserName, key::kOwnerId, key::kFileId})
        if (stored(k).empty()) absent += (absent.empty() ? "" : ", ") + std::string(k);
    if (!absent.empty()) {
        missing = "The bridge's settings lack " + absent +
                  ": on the store's Linux machine run ztl qbwc file --url URL --user NAME, which sets them "
                  "(and keeps the identifiers the Web Connector already knows).";
        return std::nullopt;
    }
    return qwcFields(stored(key::kAppUrl), stored(key::kUserName), stored(key::kOwnerId), stored(key::kFileId),
                     false);
}

std::string qwcFileText(const QwcFields& f) {
    auto line = [](const std::string& element, const std::string& value) {
        return "  <" + element + ">" + xmlEscape(value) + "</" + element + ">\r\n";
    };
    return "<?xml version=\"1.0\"?>\r\n"
           "<QBWCXML>\r\n" +
           line("AppName", f.appName) + line("AppID", f.appId) + line("AppURL", f.appUrl) +
           line("AppDescription", f.appDescription) +
           line("AppSupport", f.appSupport.empty() ? f.appUrl : f.appSupport) + line("UserName", f.userName) +
           line("OwnerID", f.ownerId) + line("FileID", f.fileId) + line("QBType", "QBFS") +
           "  <Scheduler>\r\n"
           "    <RunEveryNSeconds>" +
           std::to_string(f.runEveryNSeconds) +
           "</RunEveryNSeconds>\r\n"
           "  </Scheduler>\r\n" +
           line("IsReadOnly", "false") +
           (f.unattended ? line("UnattendedModePref", "umpRequired") : std::string()) + "</QBWCXML>\r\n";
}

}  // namespace ztl::qbwc
