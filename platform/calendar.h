#pragma once
// The proleptic Gregorian calendar, which every date of the system follows: the totals
// file's dates, the store system's day numbers and the simulated company's TxnDate alike.
// Which years a reader accepts is its own rule; the calendar only says which days exist.

namespace ztl {

bool isLeapYear(int year);
// Days in a month; 0 for a month outside 1 to 12.
int daysInMonth(int year, int month);
// True when the month is 1 to 12 and the day exists in that month of that year.
bool isCalendarDate(int year, int month, int day);

// Days since 1970-01-01 of a calendar date, and back: how a range of days is split.
long dayNumber(int year, int month, int day);
void dateOfDayNumber(long days, int& year, int& month, int& day);

}  // namespace ztl
