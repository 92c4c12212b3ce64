#include "decimal.h"

#include <algorithm>
#include <charconv>
#include <limits>

namespace ztl {
namespace {

// Adds two unsigned digit strings of any length.
std::string addMagnitudes(const std::string& a, const std::string& b) {
    std::string r;
    int carry = 0;
    for (size_t i = 0; i < std::max(a.size(), b.size()) || carry; ++i) {
        int d = carry;
        if (i < a.size()) d += a[a.size() - 1 - i] - '0';
        if (i < b.size()) d += b[b.size() - 1 - i] - '0';
        r += static_cast<char>('0' + d % 10);
        carry = d / 10;
    }
    std::reverse(r.begin(), r.end());
    return r;
}

int compareMagnitudes(const std::string& a, const std::string& b) {
    std::string x = a.substr(std::min(a.find_first_not_of('0'), a.size()));
    std::string y = b.substr(std::min(b.find_first_not_of('0'), b.size()));
    if (x.size() != y.size()) return x.size() < y.size() ? -1 : 1;
    return x.compare(y) < 0 ? -1 : (x == y ? 0 : 1);
}

// a - b for a >= b, both unsigned digit strings.
std::string subtractMagnitudes(const std::string& a, const std::string& b) {
    std::string r;
    int borrow = 0;
    for (size_t i = 0; i < a.size(); ++i) {
        int d = (a[a.size() - 1 - i] - '0') - borrow - (i < b.size() ? b[b.size() - 1 - i] - '0' : 0);
        borrow = d < 0;
        if (d < 0) d += 10;
        r += static_cast<char>('0' + d);
    }
    std::reverse(r.begin(), r.end());
    return r;
}

}  // namespace

Decimal::Decimal(bool neg, std::string digits, int scale)
    : negative_(neg), digits_(std::move(digits)), scale_(scale) {
    normalize();
}

void Decimal::normalize() {
    while (scale_ > 0 && !digits_.empty() && digits_.back() == '0') {
        digits_.pop_back();
        --scale_;
    }
    size_t nz = digits_.find_first_not_of('0');
    digits_ = nz == std::string::npos ? std::string() : digits_.substr(nz);
    if (digits_.empty()) {
        negative_ = false;
        scale_ = 0;
    }
}

Decimal Decimal::fromInt(std::int64_t v) {
    bool neg = v < 0;
    std::uint64_t mag = neg ? 0 - static_cast<std::uint64_t>(v) : static_cast<std::uint64_t>(v);
    return Decimal(neg, std::to_string(mag), 0);
}

Decimal Decimal::parseLeading(std::string_view field) {
    bool neg = false, signSeen = false, pointSeen = false, anything = false;
    std::string digits;
    int scale = 0;
    for (char c : field) {
        if (c == ' ' || c == '\t' || c == '\n') continue;
        if ((c == '-' || c == '+') && !signSeen && !anything) {
            signSeen = true;
            neg = c == '-';
            continue;
        }
        if (c == '.' && !pointSeen) {
            pointSeen = true;
            anything = true;
            continue;
        }
        if (c < '0' || c > '9') break;
        anything = true;
        digits += c;
        if (pointSeen) ++scale;
    }
    return Decimal(neg, digits, scale);
}

Decimal Decimal::roundedAway(int places) const {
    if (scale_ <= places) return *this;
    int drop = scale_ - places;
    std::string kept =
        drop >= static_cast<int>(digits_.size()) ? std::string() : digits_.substr(0, digits_.size() - drop);
    // The first dropped digit decides; exactly half goes away from zero.
    size_t firstDropped = digits_.size() - static_cast<size_t>(drop);
    char decider = drop > static_cast<int>(digits_.size()) ? '0' : digits_[firstDropped];
    if (decider >= '5') kept = addMagnitudes(kept.empty() ? "0" : kept, "1");
    return Decimal(negative_, kept, places);
}

std::string Decimal::text() const {
    if (isZero()) return "0";
    Decimal r = *this;
    int significant = static_cast<int>(digits_.size());
    if (significant > 15) {
        int places = scale_ - (significant - 15);
        if (places >= 0) {
            r = roundedAway(places);
        } else {
            // More than 15 integer digits: round there and write the zeros out in full.
            int zeros = -places;
            Decimal shifted(negative_, digits_, scale_ + zeros);
            shifted = shifted.roundedAway(0);
            r = Decimal(negative_, shifted.digits_ + std::string(static_cast<size_t>(zeros), '0'), 0);
        }
    }
    std::string s = r.digits_;
    if (r.scale_ >= static_cast<int>(s.size()))
        s.insert(0, static_cast<size_t>(r.scale_) - s.size() + 1, '0');
    if (r.scale_ > 0) s.insert(s.size() - static_cast<size_t>(r.scale_), ".");
    return (r.negative_ ? "-" : "") + s;
}

std::string Decimal::fixed() const {
    Decimal r = roundedAway(2);
    std::string s = r.digits_;
    int scale = r.scale_;
    s.append(static_cast<size_t>(2 - scale), '0');  // exactly two fraction digits
    if (s.size() < 9) s.insert(0, 9 - s.size(), '0');
    s.insert(s.size() - 2, ".");
    return s;
}

Decimal Decimal::operator+(const Decimal& o) const {
    int scale = std::max(scale_, o.scale_);
    std::string a = digits_ + std::string(static_cast<size_t>(scale - scale_), '0');
    std::string b = o.digits_ + std::string(static_cast<size_t>(scale - o.scale_), '0');
    if (negative_ == o.negative_) return Decimal(negative_, addMagnitudes(a, b), scale);
    int c = compareMagnitudes(a, b);
    if (c == 0) return Decimal();
    return c > 0 ? Decimal(negative_, subtractMagnitudes(a, b), scale)
                 : Decimal(o.negative_, subtractMagnitudes(b, a), scale);
}

std::optional<std::int64_t> Decimal::roundHalfEven() const {
    std::string intPart = scale_ >= static_cast<int>(digits_.size())
                              ? std::string()
                              : digits_.substr(0, digits_.size() - static_cast<size_t>(scale_));
    std::string frac = scale_ > static_cast<int>(digits_.size())
                           ? std::string(static_cast<size_t>(scale_) - digits_.size(), '0') + digits_
                           : digits_.substr(intPart.size());
    if (intPart.size() > 19) return std::nullopt;
    std::uint64_t mag = 0;
    for (char c : intPart) {
        if (mag > (std::numeric_limits<std::uint64_t>::max() - 9) / 10) return std::nullopt;
        mag = mag * 10 + static_cast<std::uint64_t>(c - '0');
    }
    bool up = false;
    if (!frac.empty()) {
        if (frac[0] > '5')
            up = true;
        else if (frac[0] == '5') {
            bool exactlyHalf = frac.find_first_not_of('0', 1) == std::string::npos;
            up = !exactlyHalf || (mag % 2 == 1);
        }
    }
    if (up) ++mag;
    std::uint64_t limit = static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max());
    if (mag > limit + (negative_ ? 1 : 0)) return std::nullopt;
    if (negative_)
        return mag == limit + 1 ? std::numeric_limits<std::int64_t>::min() : -static_cast<std::int64_t>(mag);
    return static_cast<std::int64_t>(mag);
}

double Decimal::toDouble() const {
    // from_chars, not strtod: the programs run with the user's locale, whose decimal mark
    // may not be a period.
    std::string t = text();
    double v = 0;
    std::from_chars(t.data(), t.data() + t.size(), v);
    return v;
}

}  // namespace ztl
