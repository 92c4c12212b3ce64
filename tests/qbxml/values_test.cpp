#include <gtest/gtest.h>

#include <cstdint>
#include <limits>

#include "qbxml/names.h"
#include "qbxml/values.h"

using namespace ztl;

TEST(QbxmlValues, AmountsReadAsQuickBooksReadsARequestAndAsTheEngineReadsAnAnswer) {
    EXPECT_EQ(qbxmlAmountCents(" 0000107.00 "), 10700);
    EXPECT_EQ(qbxmlAmountCents("-12.05"), -1205);
    EXPECT_EQ(qbxmlAmountCents("+7"), 700);
    EXPECT_EQ(qbxmlAmountCents("999999999999.99"), 99999999999999) << "twelve integer digits";
    EXPECT_EQ(qbxmlAmountCents("0001000000000000.00"), std::nullopt) << "thirteen, leading zeros aside";
    EXPECT_EQ(qbxmlAmountCents("99999999999999999999999"), std::nullopt) << "no overflow";
    for (const char* bad : {"", "-", ".50", "12.", "12.5", "12.505", "1,00", "1e3", "12.-5", "0x10", "- 5"})
        EXPECT_EQ(qbxmlAmountCents(bad), std::nullopt) << bad;
    // An answer's amount may carry one decimal; it is no more lenient than that.
    EXPECT_EQ(qbxmlAmountCents("12.5", AmountReading::Answer), 1250);
    EXPECT_EQ(qbxmlAmountCents("-0.1", AmountReading::Answer), -10);
    for (const char* bad : {"12.", "12.505", ".5", "1.x"})
        EXPECT_EQ(qbxmlAmountCents(bad, AmountReading::Answer), std::nullopt) << bad;
}

TEST(QbxmlValues, CentsPrintWithTwoDecimalsAndTheMostNegativeValueDoesNotOverflow) {
    EXPECT_EQ(centsText(0), "0.00");
    EXPECT_EQ(centsText(5), "0.05");
    EXPECT_EQ(centsText(-5), "-0.05");
    EXPECT_EQ(centsText(123450), "1234.50");
    EXPECT_EQ(centsText(std::numeric_limits<std::int64_t>::max()), "92233720368547758.07");
    EXPECT_EQ(centsText(std::numeric_limits<std::int64_t>::min()), "-92233720368547758.08");
    for (std::int64_t c : {std::int64_t{0}, std::int64_t{1}, std::int64_t{-99}, std::int64_t{99999999999999}})
        EXPECT_EQ(qbxmlAmountCents(centsText(c)), c) << "what is printed reads back";
}

TEST(QbxmlValues, DatesAreCalendarDaysInYearMonthDayForm) {
    EXPECT_TRUE(isQbxmlDate("2024-02-29"));
    for (const char* bad :
         {"2023-02-29", "2024-13-01", "2024-1-01", "0000-01-01", "2024/01/01", " 2024-01-01"})
        EXPECT_FALSE(isQbxmlDate(bad)) << bad;
}

TEST(QbxmlNames, NamesCompareIgnoringAsciiCaseAndSurroundingBlanksOnly) {
    EXPECT_TRUE(sameQuickBooksName("  Sales Tax Payable ", "sales tax PAYABLE"));
    EXPECT_TRUE(sameQuickBooksName("", "   "));
    EXPECT_FALSE(sameQuickBooksName("Sales  Tax", "Sales Tax")) << "blanks inside count";
    EXPECT_FALSE(sameQuickBooksName("Caf\xC3\xA9", "CAF\xC3\x89")) << "only ASCII letters fold";
    EXPECT_FALSE(sameQuickBooksName("Walk-in", "Walk-in Customer"));
    EXPECT_EQ(foldedName(" Walk-IN Customer\t"), "walk-in customer");
    EXPECT_EQ(foldedName("[Ab]"), "[ab]") << "the bytes beside A-Z stay";
    // The folded form is the comparison: equal exactly when the names are the same.
    for (auto [a, b] : {std::pair{"ABC", "abc "}, {"ABC", "abd"}, {"@", "`"}, {"Z", "z"}})
        EXPECT_EQ(foldedName(a) == foldedName(b), sameQuickBooksName(a, b)) << a << " / " << b;
    EXPECT_EQ(utf8CharacterCount("Caf\xC3\xA9 Nord"), 9u);
}
