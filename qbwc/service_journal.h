#pragma once
// What the Web Connector service has seen, told twice: line by line to its note sink (the
// bridge's log), and as the status ztl qbwc status shows. An idle Web Connector calls every
// few seconds all day, so its idle sessions are counted and written as one line.
//
// Not thread-safe: the service calls it under its own lock.
#include <chrono>
#include <cstdint>
#include <functional>
#include <string>

#include "platform/vb_error.h"

namespace ztl::qbwc {

// What the service has seen, for ztl qbwc status.
struct ServiceStatus {
    using Time = std::chrono::system_clock::time_point;
    std::string url;         // what the Web Connector is to call
    Time startedAt{};        // when serving began
    bool everHeard = false;  // the Web Connector has called since
    Time lastHeard{};
    std::string lastEvent;  // what the last call came to, as the log says it
    Time lastEventAt{};
    std::string company;          // the company file the Web Connector last reported
    bool sessionOpen = false;     // a Web Connector session is on now
    int programs = 0;             // programs with a connection open
    std::size_t waiting = 0;      // requests not yet answered (queued or handed out)
    std::uint64_t idleCalls = 0;  // sessions told "none" since idleSince
    Time idleSince{};
};

// "09:12:05": a moment as the operator's clock shows it.
std::string clockTime(std::chrono::system_clock::time_point t);

class ServiceJournal {
  public:
    using NoteSink = std::function<void(const std::string&)>;

    explicit ServiceJournal(NoteSink sink);

    // An event: written after the idle calls not yet written.
    void note(const std::string& text);
    // An idle session: the first after anything else is written as it is, the next ones
    // are counted and written as one line when something else happens, or every hour.
    void noteIdle(const std::string& text);
    // Writes the idle calls counted and not yet written.
    void flushIdle();

    // Some call of the Web Connector arrived.
    void heard();
    void setUrl(std::string url);
    // Where the Web Connector is to call; empty when not known.
    const std::string& url() const { return url_; }
    // The company file the Web Connector reported last.
    void sawCompany(const std::string& company);

    // The journal's part of the status; the service adds what its session and queue hold.
    ServiceStatus status() const;

    // Why a program's wait for the Web Connector ended unanswered: when it last called and
    // what it must reach.
    VbError notCalled() const;

  private:
    void record(const std::string& text);

    const NoteSink sink_;
    std::string url_;
    const std::chrono::system_clock::time_point startedAt_ = std::chrono::system_clock::now();
    std::chrono::system_clock::time_point lastHeard_ = startedAt_;
    bool everHeard_ = false;
    std::string lastCompany_;
    std::string lastEvent_;
    std::chrono::system_clock::time_point lastEventAt_{};
    std::uint64_t idleCalls_ = 0;     // since idleCallsSince_, for the status
    std::uint64_t idleUnlogged_ = 0;  // of those, not written yet
    std::chrono::system_clock::time_point idleCallsSince_{};
    std::chrono::system_clock::time_point idleUnloggedSince_{};
};

}  // namespace ztl::qbwc
