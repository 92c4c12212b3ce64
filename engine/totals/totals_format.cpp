#include "engine/totals/totals_format.h"

#include "platform/trim.h"

namespace ztl::totals {

std::string_view columns(std::string_view line, size_t from, size_t length) {
    if (from == 0 || from > line.size()) return {};
    return line.substr(from - 1, length);
}

std::string_view columnsFrom(std::string_view line, size_t from) {
    if (from == 0 || from > line.size()) return {};
    return line.substr(from - 1);
}

Decimal lineAmount(std::string_view dLine) {
    Decimal first = Decimal::parseLeading(trimmed(columns(dLine, 11, 12)));
    if (!first.isZero()) return first;
    return Decimal::parseLeading(trimmed(columns(dLine, 24, 12)));
}

std::string accountCode(std::string_view dLine) {
    return trimmed(columns(dLine, 3, 7));
}

Decimal tCount(std::string_view tLine) {
    return Decimal::parseLeading(columnsFrom(tLine, 8));
}

std::optional<std::string> totalsLine(std::string_view line) {
    if (line.empty()) return std::nullopt;
    switch (line[0]) {
        case 'Q':
        case 'T':
            return std::string(line);
        case 'H':
            return "H," + trimmed(columns(line, 3, 9)) + "," + trimmed(columns(line, 13, 8));
        case 'D':
            return "D," + accountCode(line) + "," + lineAmount(line).text();
        default:
            return std::nullopt;
    }
}

}  // namespace ztl::totals
