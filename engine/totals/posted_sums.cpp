#include "engine/totals/posted_sums.h"

namespace ztl {

std::string plainAmount(const Decimal& amount) {
    // The decimal's own fixed form is already the absolute value, rounded as the request
    // rounds it; only its leading zeros go.
    std::string s = amount.fixed();
    size_t start = 0;
    while (start + 1 < s.size() && s[start] == '0' && s[start + 1] != '.') ++start;
    return s.substr(start);
}

PostedSums postedSums(const DayBlock& block) {
    PostedSums sums;
    for (const StoreLine& line : block.lines) {
        const Decimal posted = Decimal::parseLeading(plainAmount(line.amount));
        Decimal& side = line.amount.sign() > 0 ? sums.debits : sums.credits;
        side = side + posted;
    }
    return sums;
}

PostedSums postedSums(const StoreDay& day) {
    PostedSums sums;
    for (const DayBlock& block : day.blocks) {
        const PostedSums b = postedSums(block);
        sums.debits = sums.debits + b.debits;
        sums.credits = sums.credits + b.credits;
    }
    return sums;
}

}  // namespace ztl
