#pragma once
// What a day's entries post in money, as a person reads it: a positive line amount is a
// debit, any other a credit, each rounded to cents as the request writes it. The printed
// record of a run and `ztl totals --table` add the same way.
#include <string>

#include "engine/totals/store_day.h"

namespace ztl {

struct PostedSums {
    Decimal debits, credits;
};

// The debits and credits of one block's entry.
PostedSums postedSums(const DayBlock& block);
// The debits and credits of every block with lines of the day.
PostedSums postedSums(const StoreDay& day);

// An amount as a person writes it: "1081.25", "0.50", never signed.
std::string plainAmount(const Decimal& amount);

}  // namespace ztl
