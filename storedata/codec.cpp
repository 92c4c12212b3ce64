#include "codec.h"

#include <cctype>
#include <cstdio>

#include "platform/calendar.h"
#include "platform/vb_error.h"
#include "storedata/big_endian.h"

namespace ztl::storedata {
namespace {

std::string upper(std::string_view s) {
    std::string out(s);
    for (char& c : out)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return out;
}

bool isSigned(char op) {
    return op == 'I' || op == 'J' || op == 'K';
}

// The op-code's width, or error 100 from `source`.
int widthOrThrow(const std::string& op, const char* source) {
    int w = op.size() == 1 ? opWidth(op[0]) : 0;
    if (w == 0) throw VbError(100, source, "Unknown OpCode = \"" + op + "\"");
    return w;
}

void checkPosition(int32_t position, const char* source) {
    if (position < 1)
        throw VbError(vb::kInvalidProcedureCall, source, vbDescription(vb::kInvalidProcedureCall));
}

bool fits(std::string_view data, int32_t position, int width) {
    return static_cast<int64_t>(data.size()) >= static_cast<int64_t>(position) + width - 1;
}

unsigned char byteAt(std::string_view s, size_t i) {
    return static_cast<unsigned char>(s[i]);
}

}  // namespace

bool isCalendarDate(int year, int month, int day) {
    return year >= 100 && year <= 9999 && ztl::isCalendarDate(year, month, day);
}

int windowYear(int yy) {
    return yy < 30 ? 2000 + yy : 1900 + yy;
}

int64_t daysFromCivil(int y, int m, int d) {
    return dayNumber(y, m, d);
}

VbDate civilFromDays(int64_t z) {
    VbDate r;
    dateOfDayNumber(static_cast<long>(z), r.year, r.month, r.day);
    return r;
}

int64_t daysSince1967(const VbDate& d) {
    return daysFromCivil(d.year, d.month, d.day) - daysFromCivil(1967, 12, 31);
}

VbDate dateFromDayNumber(int64_t n) {
    if (n == 0) return kEmptyDate;
    return civilFromDays(daysFromCivil(1967, 12, 31) + n);
}

bool parseShortDate(std::string_view text, VbDate& out) {
    int parts[3] = {0, 0, 0};
    int digits[3] = {0, 0, 0};
    int k = 0;
    for (char c : text) {
        if (c == '/') {
            if (++k > 2) return false;
        } else if (c >= '0' && c <= '9') {
            if (++digits[k] > 4) return false;
            parts[k] = parts[k] * 10 + (c - '0');
        } else {
            return false;
        }
    }
    if (k != 2 || digits[0] == 0 || digits[0] > 2 || digits[1] == 0 || digits[1] > 2) return false;
    int year;
    if (digits[2] == 2 || digits[2] == 1)
        year = windowYear(parts[2]);
    else if (digits[2] == 4)
        year = parts[2];
    else
        return false;
    if (!isCalendarDate(year, parts[0], parts[1])) return false;
    out = VbDate{year, parts[0], parts[1]};
    return true;
}

int opWidth(char op) {
    switch (op) {
        case 'B':
        case 'I':
            return 1;
        case 'C':
        case 'J':
            return 2;
        case 'D':
        case 'K':
            return 3;
        case 'L':
            return 4;
        default:
            return 0;
    }
}

int32_t Unpack(std::string_view opCode, std::string_view data, int32_t position) {
    const std::string op = upper(opCode);
    const int width = widthOrThrow(op, "UnPack");
    checkPosition(position, "UnPack");
    if (!fits(data, position, width))
        throw VbError(31, "UnPack",
                      "Invalid Subscript.  UnPack(\"" + op + "\", Data$, " + std::to_string(position) +
                          ")   Len(Data$) = " + std::to_string(data.size()));
    const size_t at = static_cast<size_t>(position) - 1;
    uint32_t v = readBigEndian(data, at, width);
    if (isSigned(op[0]) && (byteAt(data, at) & 0x80)) v |= 0xFFFFFFFFu << (8 * width);  // sign-extend
    return static_cast<int32_t>(v);
}

void Pack(std::string_view opCode, std::string& data, int32_t value, int32_t position) {
    const std::string op = upper(opCode);
    const int width = widthOrThrow(op, "Pack");
    checkPosition(position, "Pack");
    if (!fits(data, position, width))
        throw VbError(31, "Pack",
                      "Invalid Subscript.  Pack \"" + op + "\", Data$, " + std::to_string(position) +
                          "   Len(Data$) = " + std::to_string(data.size()));
    writeBigEndian(data, static_cast<size_t>(position) - 1, width, static_cast<uint32_t>(value));
}

void PackDate(std::string_view opCode, std::string& data, int32_t position, const VbDate& value) {
    const std::string op = upper(opCode);
    if (op == "C" || op == "J") {
        VbDate d = value;
        if (d.year == 1968 && d.month == 1 && d.day == 1) d = VbDate{1967, 12, 31};
        Pack("C", data, static_cast<int32_t>(daysSince1967(d)), position);
    } else if (op == "D" || op == "K") {
        // The short date MM/DD/YY with its "/" removed, read as a number: MMDDYY.
        int yy = ((value.year % 100) + 100) % 100;
        Pack("D", data, value.month * 10000 + value.day * 100 + yy, position);
    } else if (op == "R") {
        int yy = ((value.year % 100) + 100) % 100;
        Pack("D", data, yy * 10000 + value.month * 100 + value.day, position);
    }
}

VbDate UnPackDate(std::string_view opCode, std::string_view data, int32_t position) noexcept {
    try {
        const std::string op = upper(opCode);
        int32_t mmddyy;
        if (op == "C" || op == "J") {
            int32_t n = Unpack("C", data, position);
            return n == 0 ? kEmptyDate : dateFromDayNumber(n);
        } else if (op == "D" || op == "K") {
            mmddyy = Unpack("D", data, position);
        } else if (op == "R") {
            int32_t n = Unpack("D", data, position);
            mmddyy = (n % 10000) * 100 + n / 10000;
        } else {
            return kEmptyDate;
        }
        // Format(n, "00/00/00"), then read as a date in month/day/year order.
        if (mmddyy < 0 || mmddyy > 999999) return kEmptyDate;
        char text[16];
        std::snprintf(text, sizeof text, "%02d/%02d/%02d", mmddyy / 10000, (mmddyy / 100) % 100,
                      mmddyy % 100);
        VbDate d;
        return parseShortDate(text, d) ? d : kEmptyDate;
    } catch (...) {
        return kEmptyDate;
    }
}

std::string Crm(std::string_view source, std::string_view alphabet) {
    std::string s(source);
    while (s.size() % 3 != 0) s += ' ';
    auto index = [&](char c) -> uint32_t {
        size_t p = alphabet.find(c);
        return p == std::string_view::npos ? 0u : static_cast<uint32_t>(p);
    };
    std::string out;
    out.reserve(s.size() / 3 * 2);
    for (size_t i = 0; i < s.size(); i += 3) {
        uint32_t v = index(s[i]) * 1600 + index(s[i + 1]) * 40 + index(s[i + 2]);
        out += static_cast<char>((v >> 8) & 0xFF);
        out += static_cast<char>(v & 0xFF);
    }
    return out;
}

std::string Ucm(std::string_view source, std::string_view alphabet) {
    std::string s(source);
    if (s.size() % 2 != 0) s += '\0';
    std::string out;
    out.reserve(s.size() / 2 * 3);
    auto put = [&](uint32_t idx) {
        if (idx < alphabet.size()) out += alphabet[idx];
    };
    for (size_t i = 0; i < s.size(); i += 2) {
        uint32_t v = (static_cast<uint32_t>(byteAt(s, i)) << 8) | byteAt(s, i + 1);
        put(v / 1600);
        put((v / 40) % 40);
        put(v % 40);
    }
    return out;
}

std::string Trun(std::string_view source, int32_t flg) {
    size_t n = source.size();
    if (flg == 0) {
        while (n > 0 && source[n - 1] == ' ') --n;
    } else {
        while (n > 0) {
            char c = source[n - 1];
            if (c == '\0' || c == '\t' || c == '\n' || c == '\r' || c == ' ')
                --n;
            else
                break;
        }
    }
    return std::string(source.substr(0, n));
}

void StrPos(int32_t& location, std::string_view source, std::string_view target) {
    if (source.empty()) {
        location = 0;
        return;
    }
    size_t p = source.find(target);
    location = p == std::string_view::npos ? 0 : static_cast<int32_t>(p + 1);
}

int32_t Max(int32_t var1, int32_t var2) {
    return var2 < var1 ? var1 : var2;
}
int32_t Min(int32_t var1, int32_t var2) {
    return var1 < var2 ? var1 : var2;
}

std::vector<std::string> Split(std::string_view expression, std::string_view delimiter, int32_t limit,
                               int32_t compare) {
    std::vector<std::string> pieces;
    if (expression.empty() || limit == 0) return pieces;
    auto fold = [&](std::string_view s) {
        std::string o(s);
        if (compare != 0)
            for (char& c : o) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        return o;
    };
    const std::string hay = fold(expression), needle = fold(delimiter);
    if (needle.empty()) {
        pieces.emplace_back(expression);
    } else {
        size_t start = 0;
        while (true) {
            if (limit > 0 && static_cast<int32_t>(pieces.size()) == limit - 1) {
                pieces.emplace_back(expression.substr(start));
                break;
            }
            size_t p = hay.find(needle, start);
            if (p == std::string::npos) {
                pieces.emplace_back(expression.substr(start));
                break;
            }
            pieces.emplace_back(expression.substr(start, p - start));
            start = p + needle.size();
        }
    }
    std::vector<std::string> kept;
    for (auto& p : pieces) {
        if (p.empty()) continue;
        if (!needle.empty() && fold(p).find(needle) != std::string::npos) continue;
        kept.push_back(std::move(p));
    }
    return kept;
}

bool IsYes(std::string_view flag) {
    return flag == "Y";
}
std::string YesNo(bool value) {
    return value ? "Y" : "N";
}

}  // namespace ztl::storedata
