#include "qbwc/service_status.h"

#include "qbwc/console/silence_warning.h"

#include <ctime>
#include <sstream>

namespace ztl::qbwc {

namespace {

std::string seconds(ServiceStatus::Time t) {
    return std::to_string(std::chrono::duration_cast<std::chrono::seconds>(t.time_since_epoch()).count());
}

// "09:12:05" today, "2026-12-06 09:12:05" on another day.
std::string shown(const std::string& epochSeconds) {
    std::time_t t = static_cast<std::time_t>(std::atoll(epochSeconds.c_str()));
    std::time_t now = std::time(nullptr);
    std::tm at{}, today{};
    localtime_r(&t, &at);
    localtime_r(&now, &today);
    char text[32];
    bool sameDay = at.tm_year == today.tm_year && at.tm_yday == today.tm_yday;
    std::strftime(text, sizeof text, sameDay ? "%H:%M:%S" : "%Y-%m-%d %H:%M:%S", &at);
    return text;
}

std::string oneLine(std::string text) {
    for (char& c : text)
        if (c == '\n' || c == '\r') c = ' ';
    return text;
}

}  // namespace

std::string encodeStatus(const ServiceStatus& s, const std::string& quickBooks, bool passwordSet) {
    std::ostringstream out;
    out << "QuickBooks=" << oneLine(quickBooks) << "\n"
        << "URL=" << oneLine(s.url) << "\n"
        << "PasswordSet=" << (passwordSet ? "yes" : "no") << "\n"
        << "StartedAt=" << seconds(s.startedAt) << "\n"
        << "LastCallAt=" << (s.everHeard ? seconds(s.lastHeard) : "") << "\n"
        << "LastEvent=" << oneLine(s.lastEvent) << "\n"
        << "LastEventAt=" << (s.lastEvent.empty() ? "" : seconds(s.lastEventAt)) << "\n"
        << "Company=" << oneLine(s.company) << "\n"
        << "Session=" << (s.sessionOpen ? "yes" : "no") << "\n"
        << "Programs=" << s.programs << "\n"
        << "Waiting=" << s.waiting << "\n"
        << "IdleCalls=" << s.idleCalls << "\n"
        << "IdleSince=" << (s.idleCalls ? seconds(s.idleSince) : "") << "\n";
    return out.str();
}

StatusFields decodeStatus(const std::string& text) {
    StatusFields fields;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        std::size_t eq = line.find('=');
        if (eq != std::string::npos) fields[line.substr(0, eq)] = line.substr(eq + 1);
    }
    return fields;
}

std::string describeStatus(const StatusFields& f) {
    auto get = [&](const char* k) {
        auto it = f.find(k);
        return it == f.end() ? std::string() : it->second;
    };
    std::ostringstream out;
    out << "The Web Connector service runs for " << get("QuickBooks") << " (since " << shown(get("StartedAt"))
        << ").\n";
    out << "  The Web Connector calls: " << get("URL") << "\n";
    out << "  Password: " << (get("PasswordSet") == "yes" ? "set" : "not set (ztl qbwc set-password)") << "\n";
    const bool everCalled = !get("LastCallAt").empty();
    if (!everCalled)
        out << "  Last call of the Web Connector: none since the service started\n";
    else
        out << "  Last call of the Web Connector: " << shown(get("LastCallAt")) << "\n";
    // Hours without a call are what the console warns of; the helper who asks here is told too.
    const long long quietSince = std::atoll(get(everCalled ? "LastCallAt" : "StartedAt").c_str());
    if (auto w = silenceWarning(std::chrono::seconds(std::time(nullptr) - quietSince), everCalled))
        out << "  " << w->text << "\n";
    if (!get("LastEvent").empty())
        out << "  Last event: " << shown(get("LastEventAt")) << ", " << get("LastEvent") << "\n";
    if (get("IdleCalls") != "" && get("IdleCalls") != "0")
        out << "  " << get("IdleCalls") << " idle call" << (get("IdleCalls") == "1" ? "" : "s") << " since "
            << shown(get("IdleSince")) << " (nothing was to be posted)\n";
    out << "  Company the Web Connector last reported: "
        << (get("Company").empty() ? "none yet" : get("Company")) << "\n";
    out << "  Session open now: " << get("Session") << "; programs connected: " << get("Programs")
        << "; requests waiting: " << get("Waiting") << "\n";
    return out.str();
}

}  // namespace ztl::qbwc
