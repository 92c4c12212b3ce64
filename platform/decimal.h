#pragma once
// An exact decimal number: how amounts travel from the totals file to a request without
// ever being a binary float.
//
// Reading (the leading-number rule): blanks, tabs and line feeds anywhere are ignored; then
// an optional sign, digits and at most one period; the first other character ends the
// number; no digits at all is 0. "1,250.00" therefore reads as 1.
// Writing: text() is the shortest plain form with at most 15 significant digits
// (1250, -20.5, 0.5, 0); fixed() is the "0000000.00" pattern of the absolute value.
// Rounding: half away from zero in text() and fixed() (1.005 -> 0000001.01); half to even
// in roundHalfEven(), as a whole-number conversion does.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace ztl {

class Decimal {
  public:
    Decimal() = default;
    static Decimal fromInt(std::int64_t v);
    static Decimal parseLeading(std::string_view field);

    int sign() const { return digits_.empty() ? 0 : (negative_ ? -1 : 1); }
    bool isZero() const { return digits_.empty(); }

    std::string text() const;   // shortest form, at most 15 significant digits
    std::string fixed() const;  // |value| as "0000000.00", more integer digits written in full

    Decimal operator+(const Decimal& o) const;
    bool operator==(const Decimal& o) const = default;

    // The nearest whole number, a half going to the even neighbour; empty when it does not
    // fit in 64 bits.
    std::optional<std::int64_t> roundHalfEven() const;
    double toDouble() const;

  private:
    Decimal(bool neg, std::string digits, int scale);
    void normalize();
    // Magnitude rounded half away from zero to `places` fraction digits (places >= 0).
    Decimal roundedAway(int places) const;

    bool negative_ = false;
    std::string digits_;  // magnitude digits without leading zeros; empty for zero
    int scale_ = 0;       // how many of digits_ are fraction digits; no trailing fraction zeros
};

}  // namespace ztl
