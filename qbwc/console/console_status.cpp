#include "qbwc/console/console_status.h"

#include <ctime>

#include "qbwc/console/silence_warning.h"

namespace ztl::qbwc {

namespace {

std::string formatted(std::chrono::system_clock::time_point t, const char* format, bool utc) {
    std::time_t seconds = std::chrono::system_clock::to_time_t(t);
    std::tm at{};
    if (utc)
        gmtime_r(&seconds, &at);
    else
        localtime_r(&seconds, &at);
    char text[40];
    std::strftime(text, sizeof text, format, &at);
    return text;
}

// The programs reach this service when their address names its port on the same host, or
// on another name of the loopback (a service on 127.0.0.1 serves "localhost" too).
bool sameService(const std::string& programs, const std::string& served) {
    if (programs == served) return true;
    auto port = [](const std::string& a) { return a.substr(a.rfind(':') + 1); };
    auto loopback = [](const std::string& a) {
        return a.starts_with("qbwc:127.") || a.starts_with("qbwc:localhost:") || a.starts_with("qbwc:[::1]:");
    };
    return loopback(programs) && loopback(served) && port(programs) == port(served);
}

}  // namespace

nlohmann::json moment(std::chrono::system_clock::time_point t) {
    return {{"at", isoTime(t)}, {"shown", shownTime(t)}};
}

std::string isoTime(std::chrono::system_clock::time_point t) {
    return formatted(t, "%Y-%m-%dT%H:%M:%SZ", true);
}

std::string shownTime(std::chrono::system_clock::time_point t) {
    return formatted(t, "%Y-%m-%d %H:%M", false);
}

nlohmann::json statusModel(const ServiceStatus& s, const ProgramsAddress& address,
                           std::chrono::system_clock::time_point now) {
    using nlohmann::json;
    auto since = s.everHeard ? s.lastHeard : s.startedAt;
    auto silent = std::chrono::duration_cast<std::chrono::seconds>(now - since);
    if (silent.count() < 0) silent = std::chrono::seconds(0);

    json webConnector = {{"everCalled", s.everHeard},
                         {"lastCall", s.everHeard ? moment(s.lastHeard) : json(nullptr)},
                         {"silentMinutes", silent.count() / 60},
                         {"company", s.company.empty() ? json(nullptr) : json(s.company)},
                         {"sessionOpen", s.sessionOpen},
                         {"lastEvent", s.lastEvent.empty() ? json(nullptr)
                                                           : json{{"text", s.lastEvent},
                                                                  {"at", isoTime(s.lastEventAt)},
                                                                  {"shown", shownTime(s.lastEventAt)}}}};
    json warning = nullptr;
    if (auto w = silenceWarning(silent, s.everHeard)) warning = {{"hours", w->hours}, {"text", w->text}};

    bool reached = sameService(address.programs, address.served);
    json programs = {{"programs", address.programs}, {"served", address.served}, {"reached", reached}};
    if (!reached)
        programs["advice"] =
            address.programs.empty()
                ? "The programs are not set to use the Web Connector: on the store's Linux machine run ztl "
                  "qbwc "
                  "set QuickBooks " +
                      address.served + "."
                : "The programs hand their requests to " + address.programs + ", not to this service (" +
                      address.served +
                      "): their nights do not reach QuickBooks through it. On the store's Linux "
                      "machine run ztl qbwc set QuickBooks " +
                      address.served + ", or serve the address they use.";

    return {{"service", {{"url", s.url}, {"started", moment(s.startedAt)}}},
            {"webConnector", webConnector},
            {"silenceWarning", warning},
            {"programsAddress", programs},
            {"queue", {{"programsConnected", s.programs}, {"requestsWaiting", s.waiting}}},
            {"now", moment(now)}};
}

}  // namespace ztl::qbwc
