#include "qbwc/service_journal.h"

#include <ctime>

#include "platform/request_processor.h"
#include "qbwc/bridge_errors.h"

namespace ztl::qbwc {

std::string clockTime(std::chrono::system_clock::time_point t) {
    std::time_t tt = std::chrono::system_clock::to_time_t(t);
    std::tm local{};
    localtime_r(&tt, &local);
    char text[16];
    std::strftime(text, sizeof text, "%H:%M:%S", &local);
    return text;
}

ServiceJournal::ServiceJournal(NoteSink sink) : sink_(std::move(sink)) {}

void ServiceJournal::note(const std::string& text) {
    flushIdle();
    idleCalls_ = 0;
    record(text);
}

void ServiceJournal::record(const std::string& text) {
    lastEvent_ = text;
    lastEventAt_ = std::chrono::system_clock::now();
    if (sink_) sink_(text);
}

void ServiceJournal::noteIdle(const std::string& text) {
    auto now = std::chrono::system_clock::now();
    if (idleCalls_++ == 0) {
        flushIdle();
        idleCallsSince_ = now;
        record(text);
        return;
    }
    if (idleUnlogged_++ == 0) idleUnloggedSince_ = now;
    lastEvent_ = text;
    lastEventAt_ = now;
    if (now - idleUnloggedSince_ >= std::chrono::hours(1)) flushIdle();
}

void ServiceJournal::flushIdle() {
    if (idleUnlogged_ > 0 && sink_)
        sink_(std::to_string(idleUnlogged_) + " idle call" + (idleUnlogged_ == 1 ? "" : "s") + " since " +
              clockTime(idleUnloggedSince_).substr(0, 5) + ": the Web Connector asked, nothing was to be posted");
    idleUnlogged_ = 0;
}

void ServiceJournal::heard() {
    lastHeard_ = std::chrono::system_clock::now();
    everHeard_ = true;
}

void ServiceJournal::setUrl(std::string url) {
    url_ = std::move(url);
}

void ServiceJournal::sawCompany(const std::string& company) {
    lastCompany_ = company;
}

ServiceStatus ServiceJournal::status() const {
    ServiceStatus s;
    s.url = url_;
    s.startedAt = startedAt_;
    s.everHeard = everHeard_;
    s.lastHeard = lastHeard_;
    s.lastEvent = lastEvent_;
    s.lastEventAt = lastEventAt_;
    s.company = lastCompany_;
    s.idleCalls = idleCalls_;
    s.idleSince = idleCallsSince_;
    return s;
}

VbError ServiceJournal::notCalled() const {
    std::string since = everHeard_ ? clockTime(lastHeard_) : clockTime(lastHeard_) + " (when Zentrel began to wait)";
    std::string reach = url_.empty() ? "Zentrel's address" : url_;
    return VbError(hresult::kCouldNotStart, kBridgeSource,
                   "Could not start QuickBooks. The Web Connector has not called since " + since +
                       ". On the bookkeeper's PC: is the Web Connector running, is Auto-Run on, is the PC "
                       "awake? Click Update Selected there. The Web Connector must reach " +
                       reach + " (the URL of the .qwc file).");
}

}  // namespace ztl::qbwc
