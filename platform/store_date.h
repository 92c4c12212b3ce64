#pragma once
// The transaction date of a totals file's H line (columns 12-23, which the store system
// fills with MM/DD/YY in columns 13-20), as a calendar date for a journal entry.
// Accepted: blanks around; month/day/year with one- or two-digit month and day, a two- or
// four-digit year, separators '/', '-' or '.'; two-digit years fall in 1930-2029.
// Anything else, including a day the calendar does not have, is error 13 "Type mismatch".
#include <string_view>

namespace ztl {

struct CalendarDate {
    int year = 0, month = 0, day = 0;
    bool operator==(const CalendarDate&) const = default;
};

CalendarDate readStoreDate(std::string_view text);

}  // namespace ztl
