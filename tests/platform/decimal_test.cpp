#include "platform/decimal.h"

#include <gtest/gtest.h>

using ztl::Decimal;

struct LeadingCase {
    const char* field;
    const char* text;  // shortest form
    const char* why;
};

TEST(Decimal, LeadingNumberRuleAndShortestText) {
    const LeadingCase cases[] = {
        {"125.40", "125.4", "trailing fraction zero dropped"},
        {"  -125.40 ", "-125.4", "blanks around, sign kept"},
        {"1,250.00", "1", "thousands separator ends the number"},
        {"", "0", "empty field is zero"},
        {"abc", "0", "no digits is zero"},
        {"-", "0", "sign alone is zero"},
        {"-0.00", "0", "negative zero is zero"},
        {"0.5", "0.5", "value below one keeps its leading zero"},
        {".5", "0.5", "bare fraction"},
        {"-.5", "-0.5", "negative between -1 and 0"},
        {"1.05", "1.05", "leading zero in the fraction is kept"},
        {"1.2.3", "1.2", "second period ends the number"},
        {"12-", "12", "trailing sign ends the number"},
        {"1 2\t3\n4", "1234", "blanks, tabs and line feeds inside are ignored"},
        {"- 12", "-12", "blank after the sign is ignored"},
        {"+7", "7", "plus sign"},
        {"00042", "42", "leading zeros dropped"},
        {"1E3", "1", "no exponent form"},
        {"1250", "1250", "integer"},
        {"1234567890.123456789", "1234567890.12346", "15 significant digits, half up"},
        {"99999999999999999", "100000000000000000", "rounding carries past 15 digits"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Decimal::parseLeading(c.field).text(), c.text) << c.why << ": " << c.field;
}

TEST(Decimal, FixedPatternRoundsHalfAwayFromZero) {
    const std::pair<const char*, const char*> cases[] = {
        {"1234.5", "0001234.50"}, {"-20.5", "0000020.50"},       {"0", "0000000.00"},
        {"1.005", "0000001.01"},  {"-1.005", "0000001.01"},      {"0.004", "0000000.00"},
        {"0.995", "0000001.00"},  {"12345678.9", "12345678.90"}, {"9999999.995", "10000000.00"},
        {".05", "0000000.05"},
    };
    for (const auto& [in, out] : cases) EXPECT_EQ(Decimal::parseLeading(in).fixed(), out) << in;
}

TEST(Decimal, SignAndAddition) {
    EXPECT_EQ(Decimal::parseLeading("-0.01").sign(), -1);
    EXPECT_EQ(Decimal::parseLeading("0.00").sign(), 0);
    EXPECT_EQ(Decimal::parseLeading("3").sign(), 1);
    EXPECT_EQ((Decimal::parseLeading("2") + Decimal::parseLeading("5")).text(), "7");
    EXPECT_EQ((Decimal::parseLeading("1.75") + Decimal::parseLeading("-2.5")).text(), "-0.75");
    EXPECT_EQ((Decimal::parseLeading("-1.5") + Decimal::parseLeading("1.5")).sign(), 0);
    EXPECT_EQ((Decimal::parseLeading("999.99") + Decimal::parseLeading("0.01")).text(), "1000");
}

TEST(Decimal, RoundHalfEvenToWholeNumber) {
    EXPECT_EQ(Decimal::parseLeading("004711").roundHalfEven(), 4711);
    EXPECT_EQ(Decimal::parseLeading("2.5").roundHalfEven(), 2);
    EXPECT_EQ(Decimal::parseLeading("3.5").roundHalfEven(), 4);
    EXPECT_EQ(Decimal::parseLeading("2.51").roundHalfEven(), 3);
    EXPECT_EQ(Decimal::parseLeading("-2.5").roundHalfEven(), -2);
    EXPECT_EQ(Decimal::parseLeading("0.4").roundHalfEven(), 0);
    EXPECT_EQ(Decimal::parseLeading("A12").roundHalfEven(), 0);
    EXPECT_FALSE(Decimal::parseLeading("99999999999999999999999").roundHalfEven().has_value());
    EXPECT_DOUBLE_EQ(Decimal::parseLeading("3").toDouble(), 3.0);
}
