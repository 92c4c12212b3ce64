#pragma once
// What an unattended run reads from the settings store, section "Zentrel\Post" (settings_keys.h).
#include <chrono>
#include <optional>
#include <string>

#include "platform/clock.h"
#include "platform/settings_store.h"

namespace ztl {

inline constexpr const char* kDefaultPostTime = "21:30";
inline constexpr const char* kDefaultPostDeadline = "07:00";

struct PostSettings {
    std::string mailCommand;  // empty in the store: the sendmail default
    std::string mailTo;       // empty: no message is sent, and the run says so
    std::string mailFrom;     // empty: the sendmail default's own sender
    bool mailEveryRun = false;
    std::string postTime = kDefaultPostTime;
    std::string deadline = kDefaultPostDeadline;
};

PostSettings readPostSettings(const SettingsStore& store);

// Minutes after midnight of an "HH:MM" text (00:00 to 23:59); nothing for anything else.
std::optional<int> clockMinutes(const std::string& text);

// How long from `now` until the next `deadline` o'clock: later today, else tomorrow. At
// least one minute; a deadline that does not read as HH:MM is the default's.
std::chrono::seconds untilDeadline(const LocalDateTime& now, const std::string& deadline);

}  // namespace ztl
