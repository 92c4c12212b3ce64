#pragma once
// When the timers start their next run, as the setting PostTime says: `ztl post timer`
// writes that time into the timers, daily, on the store machine's clock.
#include <chrono>
#include <string>

namespace ztl::qbwc {

// The first moment after `now` at `postTime` ("21:30") local time; the default's time when
// the setting does not read as HH:MM.
std::chrono::system_clock::time_point nextTimerRun(const std::string& postTime,
                                                   std::chrono::system_clock::time_point now);

}  // namespace ztl::qbwc
