#include "engine/unattended/post_settings.h"

#include "engine/company/settings_keys.h"
#include "engine/unattended/send_mail.h"
#include "platform/trim.h"

namespace ztl {

PostSettings readPostSettings(const SettingsStore& store) {
    auto get = [&](const char* name) { return trimmed(store.get(kSettingsApp, kPostSection, name, "")); };
    PostSettings s;
    s.mailCommand = get(key::kMailCommand);
    if (s.mailCommand.empty()) s.mailCommand = kDefaultMailCommand;
    s.mailTo = get(key::kMailTo);
    s.mailFrom = get(key::kMailFrom);
    std::string every = get(key::kMailEveryRun);
    s.mailEveryRun = every == "yes" || every == "Yes" || every == "1" || every == "true";
    if (clockMinutes(get(key::kPostTime))) s.postTime = get(key::kPostTime);
    if (clockMinutes(get(key::kPostDeadline))) s.deadline = get(key::kPostDeadline);
    return s;
}

std::optional<int> clockMinutes(const std::string& text) {
    size_t colon = text.find(':');
    if (colon == std::string::npos || colon == 0 || colon > 2 || text.size() != colon + 3) return std::nullopt;
    int h = 0, m = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        if (i == colon) continue;
        if (text[i] < '0' || text[i] > '9') return std::nullopt;
        (i < colon ? h : m) = (i < colon ? h : m) * 10 + (text[i] - '0');
    }
    if (h > 23 || m > 59) return std::nullopt;
    return h * 60 + m;
}

std::chrono::seconds untilDeadline(const LocalDateTime& now, const std::string& deadline) {
    int target = clockMinutes(deadline).value_or(*clockMinutes(kDefaultPostDeadline)) * 60;
    int current = (now.hour * 60 + now.minute) * 60 + now.second;
    int wait = target - current;
    if (wait <= 0) wait += 24 * 60 * 60;
    return std::chrono::seconds(std::max(wait, 60));
}

}  // namespace ztl
