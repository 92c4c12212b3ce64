#include "ui/logic/amount_format.h"

#include <cctype>

#include "platform/decimal.h"

namespace ztl::ui {

bool isNumericText(std::string_view t) {
    size_t i = 0, n = t.size();
    while (i < n && t[i] == ' ') ++i;
    if (i < n && (t[i] == '+' || t[i] == '-')) ++i;
    bool digits = false, period = false;
    for (; i < n; ++i) {
        if (std::isdigit(static_cast<unsigned char>(t[i]))) {
            digits = true;
        } else if (t[i] == '.' && !period) {
            period = true;
        } else {
            break;
        }
    }
    while (i < n && t[i] == ' ') ++i;
    return digits && i == n;
}

std::string dollarAmount(std::string_view text) {
    if (!isNumericText(text)) return std::string(text);
    Decimal value = Decimal::parseLeading(text);
    std::string fixed = value.fixed();  // "0001234.50", rounded half away from zero
    size_t first = fixed.find_first_not_of('0');
    std::string shown = fixed.substr(first == std::string::npos ? fixed.size() : first);
    bool roundsToZero = shown.find_first_not_of("0.") == std::string::npos;
    return (value.sign() < 0 && !roundsToZero ? "-$" : "$") + shown;
}

}  // namespace ztl::ui
