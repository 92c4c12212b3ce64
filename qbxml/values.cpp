#include "qbxml/values.h"

#include <algorithm>
#include <cstdio>

#include "platform/calendar.h"
#include "platform/trim.h"

namespace ztl {

namespace {
// The largest amount QuickBooks takes: twelve integer digits, far above any store's day.
constexpr std::size_t kMaxIntegerDigits = 12;
}  // namespace

bool isQbxmlDate(std::string_view d) {
    if (d.size() != 10 || d[4] != '-' || d[7] != '-') return false;
    for (std::size_t i : {0, 1, 2, 3, 5, 6, 8, 9})
        if (d[i] < '0' || d[i] > '9') return false;
    auto num = [&](std::size_t at, std::size_t n) {
        int v = 0;
        for (std::size_t i = 0; i < n; ++i) v = v * 10 + (d[at + i] - '0');
        return v;
    };
    int y = num(0, 4), m = num(5, 2), day = num(8, 2);
    return y >= 1 && isCalendarDate(y, m, day);
}

std::optional<std::int64_t> qbxmlAmountCents(std::string_view text, AmountReading reading) {
    std::string_view s = trimmedView(text, kWhitespace);
    bool negative = false;
    if (!s.empty() && (s[0] == '+' || s[0] == '-')) {
        negative = s[0] == '-';
        s.remove_prefix(1);
    }
    auto dot = s.find('.');
    std::string_view whole = s.substr(0, dot), frac = dot == std::string_view::npos ? "" : s.substr(dot + 1);
    const bool fractionRead = dot == std::string_view::npos || frac.size() == 2 ||
                              (reading == AmountReading::Answer && frac.size() == 1);
    if (whole.empty() || !fractionRead) return std::nullopt;
    auto digitsOnly = [](std::string_view v) {
        return std::all_of(v.begin(), v.end(), [](char c) { return c >= '0' && c <= '9'; });
    };
    if (!digitsOnly(whole) || !digitsOnly(frac)) return std::nullopt;
    whole.remove_prefix(std::min(whole.find_first_not_of('0'), whole.size()));
    if (whole.size() > kMaxIntegerDigits) return std::nullopt;
    std::int64_t cents = 0;
    for (char c : whole) cents = cents * 10 + (c - '0');
    cents *= 100;
    if (!frac.empty()) cents += (frac[0] - '0') * 10;
    if (frac.size() == 2) cents += frac[1] - '0';
    return negative ? -cents : cents;
}

std::string centsText(std::int64_t cents) {
    // Unsigned magnitude, so that the most negative value does not overflow on negation.
    unsigned long long mag =
        cents < 0 ? 0ULL - static_cast<unsigned long long>(cents) : static_cast<unsigned long long>(cents);
    char buf[48];
    std::snprintf(buf, sizeof buf, "%s%llu.%02llu", cents < 0 ? "-" : "", mag / 100, mag % 100);
    return buf;
}

std::size_t utf8CharacterCount(std::string_view utf8) {
    return static_cast<std::size_t>(std::count_if(
        utf8.begin(), utf8.end(), [](char c) { return (static_cast<unsigned char>(c) & 0xC0) != 0x80; }));
}

}  // namespace ztl
