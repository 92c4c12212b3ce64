#include "platform/calendar.h"

namespace ztl {

bool isLeapYear(int year) {
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int daysInMonth(int year, int month) {
    static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month < 1 || month > 12) return 0;
    return month == 2 && isLeapYear(year) ? 29 : days[month - 1];
}

bool isCalendarDate(int year, int month, int day) {
    return day >= 1 && day <= daysInMonth(year, month);
}

}  // namespace ztl
