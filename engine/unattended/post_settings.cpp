#include "engine/unattended/post_settings.h"

#include "engine/company/settings_keys.h"
#include "engine/unattended/send_mail.h"
#include "platform/trim.h"

#include <algorithm>
#include <string_view>

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
    s.postPastHeld = get(key::kPostPastHeld) == "yes";
    if (clockMinutes(get(key::kPostTime))) s.postTime = get(key::kPostTime);
    if (clockMinutes(get(key::kPostDeadline))) s.deadline = get(key::kPostDeadline);
    if (std::optional<int> settle = settleSeconds(get(key::kSettleSeconds))) s.settleSeconds = *settle;
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

namespace {

// One mail address as a mail program takes it on its own: "name@example.org", or with a
// display name, "Store 12 <name@example.org>".
bool isAddress(std::string_view text) {
    auto trim = [](std::string_view t) {
        while (!t.empty() && t.front() == ' ') t.remove_prefix(1);
        while (!t.empty() && t.back() == ' ') t.remove_suffix(1);
        return t;
    };
    text = trim(text);
    if (const size_t open = text.find('<'); open != std::string_view::npos) {
        if (!text.ends_with('>') || text.find('"') != std::string_view::npos) return false;
        text = text.substr(open + 1, text.size() - open - 2);
    }
    const size_t at = text.find('@');
    if (at == std::string_view::npos || at == 0 || at + 1 == text.size() || text.find('@', at + 1) != text.npos)
        return false;
    return text.find_first_of(" <>,;:\"()[]\\") == std::string_view::npos &&
           text.substr(at + 1).find('.') != std::string_view::npos;
}

}  // namespace

std::optional<int> settleSeconds(const std::string& text) {
    if (text.empty() || text.size() > 4 || text.find_first_not_of("0123456789") != std::string::npos) return std::nullopt;
    const int seconds = std::stoi(text);
    if (seconds > 3600) return std::nullopt;
    return seconds;
}

bool holdsControlCharacter(const std::string& text) {
    return std::any_of(text.begin(), text.end(), [](char c) {
        const auto u = static_cast<unsigned char>(c);
        return u < 0x20 || u == 0x7f;
    });
}

std::optional<std::string> postSettingRefusal(const std::string& key, const std::string& value) {
    if (holdsControlCharacter(value))
        return key + " may not hold a line break, a tab or another control character: nothing was stored";
    if (value.empty()) return std::nullopt;
    if (key == key::kMailTo) {
        size_t start = 0;
        while (true) {
            const size_t comma = value.find(',', start);
            if (!isAddress(std::string_view(value).substr(start, comma == std::string::npos ? value.npos : comma - start)))
                return "MailTo is one or more mail addresses separated by commas (books@example.org, "
                       "owner@example.org), not '" + value + "'";
            if (comma == std::string::npos) break;
            start = comma + 1;
        }
    } else if (key == key::kMailFrom) {
        if (!isAddress(value))
            return "MailFrom is one mail address (zentrel@store12.example.org), not '" + value + "'";
    } else if (key == key::kMailEveryRun || key == key::kPostPastHeld) {
        if (value != "yes" && value != "no") return key + " is yes or no, not '" + value + "'";
    } else if (key == key::kSettleSeconds) {
        if (!settleSeconds(value)) return "SettleSeconds is a number of seconds, 0 to 3600, not '" + value + "'";
    } else if (key == key::kPostTime || key == key::kPostDeadline) {
        if (!clockMinutes(value)) return key + " is a time of day as HH:MM, 00:00 to 23:59, not '" + value + "'";
    }
    return std::nullopt;
}

}  // namespace ztl
