#pragma once
// Writes a store's end-of-day totals file X390.QB as the store system lays it out:
// single-byte text, CR LF line ends, one record per line, the record type in column 1.
// Columns are 1-based:
//
//   Q    "Q " + store number (4) + " " + store name (26) + "END OF DAY " + date
//   H    "H  " + reference (columns 4-12, left-aligned) + date (columns 13-20)
//   D    "D " + account code (columns 3-9) + " " + first amount (11-22, right-aligned)
//        + " " + second amount (24-35, right-aligned)
//   TRT  "TRT" + count from column 8: the trailer of one transaction
//   T    "T" + count from column 8: the trailer of the day
//
// Both readers of the file take the reference from the H line (columns 3-11 for display,
// 4-12 for the import), so a reference of up to 8 characters reads the same in both.
#include <string>
#include <vector>

namespace ztl::demo {

// One D line as the store system writes it: a debit carries its amount in the first
// column and 0.00 in the second, a credit 0.00 first and the negative amount second.
struct TotalsLine {
    std::string account;
    std::string first;
    std::string second;
};

// One H block: a transaction, possibly voided (no D lines).
struct TotalsTransaction {
    std::string reference;
    std::vector<TotalsLine> lines;
};

// One store's end of day.
struct TotalsDay {
    std::string storeNumber;  // four digits, as the Q line shows it
    std::string storeName;    // single-byte text
    std::string date;         // MM/DD/YY
    std::vector<TotalsTransaction> transactions;
};

// Q, H, D and TRT lines per transaction, each transaction counted 1, then the day's T
// trailer with no count of its own and a closing remark line that no reader uses. Throws
// std::invalid_argument for a field wider than its columns.
std::string totalsFileText(const TotalsDay& day);

}  // namespace ztl::demo
