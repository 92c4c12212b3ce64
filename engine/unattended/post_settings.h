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
// The store system writes the day's file over some seconds; a file changed within this many
// seconds may still be being written.
inline constexpr int kDefaultSettleSeconds = 60;

struct PostSettings {
    std::string mailCommand;  // empty in the store: the sendmail default
    std::string mailTo;       // empty: no message is sent, and the run says so
    std::string mailFrom;     // empty: the sendmail default's own sender
    bool mailEveryRun = false;
    bool postPastHeld = false;  // later days go on past a day held for the bookkeeper
    std::string postTime = kDefaultPostTime;
    std::string deadline = kDefaultPostDeadline;
    int settleSeconds = kDefaultSettleSeconds;
};

PostSettings readPostSettings(const SettingsStore& store);

// Why `value` cannot be stored under the unattended run's setting `key`, in words for the
// person setting it; nothing when it can. The settings end up in the message's headers and
// on the mail command's line, so no setting holds a line break or another control
// character; MailTo is a list of addresses, MailFrom one address, MailEveryRun and
// PostPastHeld "yes" or "no", the times HH:MM. An empty value clears the setting.
std::optional<std::string> postSettingRefusal(const std::string& key, const std::string& value);

// The seconds of a SettleSeconds text (0 to 3600); nothing for anything else.
std::optional<int> settleSeconds(const std::string& text);

// Whether a text holds a control character (a line break among them).
bool holdsControlCharacter(const std::string& text);

// Minutes after midnight of an "HH:MM" text (00:00 to 23:59); nothing for anything else.
std::optional<int> clockMinutes(const std::string& text);

// How long from `now` until the next `deadline` o'clock: later today, else tomorrow. At
// least one minute; a deadline that does not read as HH:MM is the default's.
std::chrono::seconds untilDeadline(const LocalDateTime& now, const std::string& deadline);

}  // namespace ztl
