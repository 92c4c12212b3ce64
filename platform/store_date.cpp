#include "store_date.h"

#include <cctype>
#include <vector>

#include "calendar.h"
#include "vb_error.h"

namespace ztl {

CalendarDate readStoreDate(std::string_view text) {
    auto mismatch = [] { return vbError(vb::kTypeMismatch); };
    size_t b = text.find_first_not_of(' ');
    size_t e = text.find_last_not_of(' ');
    if (b == std::string_view::npos) throw mismatch();
    std::string_view t = text.substr(b, e - b + 1);

    std::vector<std::string_view> parts;
    char sep = 0;
    size_t start = 0;
    for (size_t i = 0; i <= t.size(); ++i) {
        if (i == t.size() || t[i] == '/' || t[i] == '-' || t[i] == '.') {
            if (i < t.size()) {
                if (sep && t[i] != sep) throw mismatch();  // one separator throughout
                sep = t[i];
            }
            parts.push_back(t.substr(start, i - start));
            start = i + 1;
        } else if (!std::isdigit(static_cast<unsigned char>(t[i]))) {
            throw mismatch();
        }
    }
    if (parts.size() != 3) throw mismatch();
    auto number = [&](std::string_view s, size_t minLen, size_t maxLen) {
        if (s.size() < minLen || s.size() > maxLen) throw mismatch();
        int v = 0;
        for (char c : s) v = v * 10 + (c - '0');
        return v;
    };
    CalendarDate d;
    d.month = number(parts[0], 1, 2);
    d.day = number(parts[1], 1, 2);
    if (parts[2].size() == 3) throw mismatch();
    d.year = number(parts[2], 2, 4);
    if (parts[2].size() == 2) d.year += d.year < 30 ? 2000 : 1900;
    if (d.year < 100 || !isCalendarDate(d.year, d.month, d.day)) throw mismatch();
    return d;
}

}  // namespace ztl
