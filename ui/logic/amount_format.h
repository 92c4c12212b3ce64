#pragma once
// Amounts as the totals grid shows them, the picture "$#######.00": a dollar sign, the whole
// dollars without leading zeros or thousands separators, two decimals rounded half away from
// zero, the sign in front: 0.5 -> "$.50", 1234.5 -> "$1234.50", -230 -> "-$230.00".
// Text that is not a number is shown as it stands.
#include <string>
#include <string_view>

namespace ztl::ui {

std::string dollarAmount(std::string_view text);

// A whole number text: optional blanks, an optional sign, digits with at most one period
// (at least one digit), optional blanks.
bool isNumericText(std::string_view text);

}  // namespace ztl::ui
