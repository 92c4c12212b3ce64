#include "qbwc/console/next_timer_run.h"

#include <ctime>

#include "engine/unattended/post_settings.h"

namespace ztl::qbwc {

std::chrono::system_clock::time_point nextTimerRun(const std::string& postTime,
                                                   std::chrono::system_clock::time_point now) {
    const int minutes = clockMinutes(postTime).value_or(*clockMinutes(kDefaultPostTime));
    const std::time_t seconds = std::chrono::system_clock::to_time_t(now);
    std::tm at{};
    localtime_r(&seconds, &at);
    // Day by day from today: mktime settles the clock change of a day that has one.
    for (int day = 0; day < 3; ++day) {
        std::tm next = at;
        next.tm_mday += day;
        next.tm_hour = minutes / 60;
        next.tm_min = minutes % 60;
        next.tm_sec = 0;
        next.tm_isdst = -1;
        const auto moment = std::chrono::system_clock::from_time_t(std::mktime(&next));
        if (moment > now) return moment;
    }
    return now + std::chrono::hours(24);
}

}  // namespace ztl::qbwc
