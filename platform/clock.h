#pragma once
// The current local date and time, and the workstation's short date and time texts.
// Behind an interface so that tests fix the time a log or an archive name shows.
#include <cstdint>
#include <string>

namespace ztl {

struct LocalDateTime {
    int year = 1970, month = 1, day = 1;
    int hour = 0, minute = 0, second = 0;
};

// Seconds since 1970 (UTC) of a local date and time of this workstation: a moment other
// workstations can compare with their own.
std::int64_t unixSeconds(const LocalDateTime& t);

class Clock {
  public:
    virtual ~Clock() = default;
    virtual LocalDateTime now() const = 0;
    // The workstation's short date form of a date (the user's locale, strftime %x).
    virtual std::string shortDate(const LocalDateTime& t) const = 0;
    // The workstation's time form (the user's locale, strftime %X).
    virtual std::string timeText(const LocalDateTime& t) const = 0;
};

// The real clock, in the user's locale. Calls setlocale(LC_TIME, "") once.
class SystemClock : public Clock {
  public:
    SystemClock();
    LocalDateTime now() const override;
    std::string shortDate(const LocalDateTime& t) const override;
    std::string timeText(const LocalDateTime& t) const override;
};

// A clock that always shows one moment, with US-style texts ("12/07/2026", "9:05:03 PM")
// unless other texts are given. For tests and reproducible runs.
class FixedClock : public Clock {
  public:
    explicit FixedClock(LocalDateTime t) : t_(t) {}
    FixedClock(LocalDateTime t, std::string date, std::string time)
        : t_(t), date_(std::move(date)), time_(std::move(time)) {}
    void set(LocalDateTime t) { t_ = t; }
    LocalDateTime now() const override { return t_; }
    std::string shortDate(const LocalDateTime& t) const override;
    std::string timeText(const LocalDateTime& t) const override;

  private:
    LocalDateTime t_;
    std::string date_, time_;
};

}  // namespace ztl
