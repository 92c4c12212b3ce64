#include "clock.h"

#include <clocale>
#include <cstdio>
#include <ctime>

namespace ztl {
namespace {

std::tm toTm(const LocalDateTime& t) {
    std::tm tm{};
    tm.tm_year = t.year - 1900;
    tm.tm_mon = t.month - 1;
    tm.tm_mday = t.day;
    tm.tm_hour = t.hour;
    tm.tm_min = t.minute;
    tm.tm_sec = t.second;
    tm.tm_isdst = -1;
    std::tm copy = tm;
    if (std::mktime(&copy) != -1) tm.tm_wday = copy.tm_wday, tm.tm_yday = copy.tm_yday;
    return tm;
}

std::string format(const char* fmt, const LocalDateTime& t) {
    std::tm tm = toTm(t);
    char buf[128];
    size_t n = std::strftime(buf, sizeof buf, fmt, &tm);
    return std::string(buf, n);
}

}  // namespace

std::int64_t unixSeconds(const LocalDateTime& t) {
    std::tm tm = toTm(t);
    return static_cast<std::int64_t>(std::mktime(&tm));
}

SystemClock::SystemClock() {
    std::setlocale(LC_TIME, "");
}

LocalDateTime SystemClock::now() const {
    std::time_t s = std::time(nullptr);
    std::tm tm{};
    localtime_r(&s, &tm);
    return {tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec};
}

std::string SystemClock::shortDate(const LocalDateTime& t) const {
    return format("%x", t);
}

std::string SystemClock::timeText(const LocalDateTime& t) const {
    return format("%X", t);
}

std::string FixedClock::shortDate(const LocalDateTime& t) const {
    if (!date_.empty()) return date_;
    char buf[32];
    std::snprintf(buf, sizeof buf, "%02d/%02d/%04d", t.month, t.day, t.year);
    return buf;
}

std::string FixedClock::timeText(const LocalDateTime& t) const {
    if (!time_.empty()) return time_;
    char buf[32];
    int h = t.hour % 12 == 0 ? 12 : t.hour % 12;
    std::snprintf(buf, sizeof buf, "%d:%02d:%02d %s", h, t.minute, t.second, t.hour < 12 ? "AM" : "PM");
    return buf;
}

}  // namespace ztl
