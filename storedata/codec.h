#pragma once
// Record field codec and dates. Pure functions: bytes in, value out; nothing
// here touches a file or the engine state (the compression alphabet is an argument).
//
// A record string is a std::string of 8-bit characters, one per byte of the file; positions
// are 1-based as the store system's layouts count them. The codec never changes the length
// of the record string it writes into.
//
// Integer op-codes (upper or lower case), big-endian two's complement:
//
//   op  width  Unpack result
//   B   1      unsigned 0..255
//   C   2      unsigned 0..65535
//   D   3      unsigned 0..16777215
//   I   1      signed -128..127
//   J   2      signed -32768..32767
//   K   3      signed -8388608..8388607
//   L   4      signed 32-bit
//
// Pack writes the low `width` bytes of the big-endian four-byte value: higher bytes are
// dropped without a check (300 as "B" stores 44).
//
// Day numbers count days since 31 December 1967; day 0 is the empty date, shown as
// 1 January 1968, and 1 January 1968 itself is always written as 0.
//
// Date texts: the engine fixes the workstation's short date format to MM/DD/YY (the only
// format for which the "D", "K" and "R" encodings round-trip); two-digit years fall in
// 1930-2029. A text that is no calendar date in that order is no date (no day/month swap).
//
// Errors: VbError, thrown and never caught here:
//   100 "Pack"/"UnPack"  Unknown OpCode = "X"
//   31  "Pack"/"UnPack"  Invalid Subscript.  ...   Len(Data$) = n
//   5   "Pack"/"UnPack"  a Position below 1 (invalid argument)
// UnPackDate never reports an error: any failure yields 1 January 1968.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace ztl::storedata {

// The alphabet the facade sets at creation: space, comma, slash, full stop, digits, capitals.
inline constexpr std::string_view kDefaultAlphabet = " ,/.0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ";

// A Visual Basic date: a calendar date with an optional time of day.
struct VbDate {
    int year = 1968, month = 1, day = 1;
    int hour = 0, minute = 0, second = 0;
    auto operator<=>(const VbDate&) const = default;
};

// 1 January 1968: the empty date and the result of every failed UnPackDate.
inline constexpr VbDate kEmptyDate{};

// A calendar date in the years 100 to 9999, the range of a Visual Basic date.
bool isCalendarDate(int year, int month, int day);
// The year of a two-digit year: 30-99 -> 1930-1999, 0-29 -> 2000-2029.
int windowYear(int yy);
// Days since 1 January 1970 of a calendar date (proleptic Gregorian), and back.
int64_t daysFromCivil(int year, int month, int day);
VbDate civilFromDays(int64_t days);
// Whole days from 31 December 1967 to the date's day (1 January 1968 is 1 here; PackDate
// maps it to 0 itself).
int64_t daysSince1967(const VbDate& d);
// 0 -> 1 January 1968, otherwise 31 December 1967 plus n days.
VbDate dateFromDayNumber(int64_t n);
// "M/D/YY" read as month/day/two-digit year (one or two digits each for month and day,
// two or four for the year); false when it is no calendar date.
bool parseShortDate(std::string_view text, VbDate& out);

// Width of an op-code letter (after upper-casing), 0 when unknown.
int opWidth(char upperOp);

int32_t Unpack(std::string_view opCode, std::string_view data, int32_t position);
void Pack(std::string_view opCode, std::string& data, int32_t value, int32_t position);
void PackDate(std::string_view opCode, std::string& data, int32_t position, const VbDate& value);
VbDate UnPackDate(std::string_view opCode, std::string_view data, int32_t position) noexcept;

// Three characters into one two-byte "C" value a*1600 + b*40 + c; a character that is not
// in the alphabet (case-sensitive) takes index 0. Pads the text with spaces to a multiple of 3.
std::string Crm(std::string_view source, std::string_view alphabet);
// Two bytes back into three characters; an odd length gets one NUL appended; an index of
// 40 or more (a value above 63999) has no character and adds nothing.
std::string Ucm(std::string_view source, std::string_view alphabet);

// flg 0: remove trailing spaces. Otherwise remove trailing NUL, tab, LF, CR and space.
std::string Trun(std::string_view source, int32_t flgRemoveControlCharacters = 0);
void StrPos(int32_t& location, std::string_view source, std::string_view target);
int32_t Max(int32_t var1, int32_t var2);
int32_t Min(int32_t var1, int32_t var2);
// Visual Basic's Split (Limit -1 = all pieces; Compare 0 binary, 1 text), then every empty
// piece and every piece that still contains the delimiter is dropped.
std::vector<std::string> Split(std::string_view expression, std::string_view delimiter = " ",
                               int32_t limit = -1, int32_t compare = 0);
bool IsYes(std::string_view flag);
std::string YesNo(bool value);

}  // namespace ztl::storedata
