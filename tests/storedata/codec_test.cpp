// Record field codec and dates.
#include <gtest/gtest.h>

#include "storedata/codec.h"
#include "storedata/engine.h"
#include "support/store_test.h"

namespace ztl::storedata {
namespace {

using testing::bytesOf;
using testing::errorOf;

std::string bytes(std::initializer_list<int> b) {
    std::string s;
    for (int v : b) s += static_cast<char>(v);
    return s;
}

// ---- integers: every op-code's width, sign extension and truncation ----------------------

struct IntRow {
    const char* op;
    std::string stored;
    int32_t value;
    const char* guards;
};

TEST(CodecTest, UnpackSignExtendsOnlySignedOpCodes) {
    const IntRow rows[] = {
        {"B", bytes({0xFF}), 255, "B is unsigned"},
        {"I", bytes({0xFF}), -1, "I sign-extends"},
        {"I", bytes({0x7F}), 127, "I positive"},
        {"I", bytes({0x80}), -128, "I lowest"},
        {"C", bytes({0xFF, 0xFE}), 65534, "C is unsigned"},
        {"J", bytes({0xFF, 0xFE}), -2, "J sign-extends"},
        {"J", bytes({0x80, 0x00}), -32768, "J lowest"},
        {"J", bytes({0x7F, 0xFF}), 32767, "J highest"},
        {"D", bytes({0x80, 0, 0}), 8388608, "D is unsigned"},
        {"K", bytes({0x80, 0, 0}), -8388608, "K sign-extends"},
        {"K", bytes({0x7F, 0xFF, 0xFF}), 8388607, "K highest"},
        {"D", bytes({0xFF, 0xFF, 0xFF}), 16777215, "D highest"},
        {"L", bytes({0xFF, 0xFF, 0xFF, 0xFF}), -1, "L is signed 32-bit"},
        {"L", bytes({0x80, 0, 0, 0}), INT32_MIN, "L lowest"},
        {"L", bytes({0x01, 0x02, 0x03, 0x04}), 0x01020304, "L big-endian"},
        {"c", bytes({0x01, 0x02}), 0x0102, "lower-case op-code"},
    };
    for (const auto& r : rows) EXPECT_EQ(Unpack(r.op, r.stored, 1), r.value) << r.guards;
}

TEST(CodecTest, PackTruncatesToTheFieldWidth) {
    struct Row {
        const char* op;
        int32_t value;
        std::string expected;
    };
    const Row rows[] = {
        {"B", 300, bytes({44})},
        {"C", -1, bytes({255, 255})},
        {"I", -1, bytes({255})},
        {"J", 70000, bytes({0x11, 0x70})},
        {"D", -2, bytes({255, 255, 254})},
        {"K", 0x12345678, bytes({0x34, 0x56, 0x78})},
        {"L", -2, bytes({255, 255, 255, 254})},
        {"l", 1, bytes({0, 0, 0, 1})},
    };
    for (const auto& r : rows) {
        std::string rec(6, 'x');
        Pack(r.op, rec, r.value, 2);
        EXPECT_EQ(rec.substr(1, r.expected.size()), r.expected) << r.op << " " << r.value;
        EXPECT_EQ(rec[0], 'x');
        EXPECT_EQ(rec.size(), 6u) << "Pack never changes the length";
        if (r.expected.size() < 5) {
            EXPECT_EQ(rec[1 + r.expected.size()], 'x');
        }
    }
}

TEST(CodecTest, PackThenUnpackOnNulRecord) {
    std::string rec(48, '\0');
    Pack("C", rec, 1, 1);
    EXPECT_EQ(bytesOf(rec.substr(0, 2)), (std::vector<int>{0, 1}));
    EXPECT_EQ(Unpack("C", rec, 1), 1);
}

TEST(CodecTest, BoundCheckMessages) {
    std::string rec(48, '\0');
    auto e = errorOf([&] { Pack("L", rec, 5, 47); });
    EXPECT_EQ(e.number, 31);
    EXPECT_EQ(e.source, "Pack");
    EXPECT_EQ(e.description, "Invalid Subscript.  Pack \"L\", Data$, 47   Len(Data$) = 48");
    EXPECT_EQ(rec, std::string(48, '\0')) << "nothing written";

    e = errorOf([&] { Unpack("l", rec, 47); });
    EXPECT_EQ(e.number, 31);
    EXPECT_EQ(e.source, "UnPack");
    EXPECT_EQ(e.description, "Invalid Subscript.  UnPack(\"L\", Data$, 47)   Len(Data$) = 48");

    Pack("C", rec, 0x0102, 47);  // ends exactly at the last character
    EXPECT_EQ(bytesOf(rec.substr(46)), (std::vector<int>{1, 2}));
    EXPECT_EQ(Unpack("C", rec, 47), 0x0102);

    e = errorOf([&] { Unpack("B", std::string(), 1); });
    EXPECT_EQ(e.description, "Invalid Subscript.  UnPack(\"B\", Data$, 1)   Len(Data$) = 0");
}

TEST(CodecTest, UnknownOpCodeAndBadPosition) {
    std::string rec(8, '\0');
    auto e = errorOf([&] { Pack("x", rec, 1, 1); });
    EXPECT_EQ(e.number, 100);
    EXPECT_EQ(e.source, "Pack");
    EXPECT_EQ(e.description, "Unknown OpCode = \"X\"");
    e = errorOf([&] { Unpack("LL", rec, 1); });
    EXPECT_EQ(e.number, 100);
    EXPECT_EQ(e.source, "UnPack");
    EXPECT_EQ(e.description, "Unknown OpCode = \"LL\"");
    EXPECT_EQ(errorOf([&] { Unpack("", rec, 1); }).description, "Unknown OpCode = \"\"");
    // The op-code is checked before the bounds.
    EXPECT_EQ(errorOf([&] { Unpack("Q", rec, 100); }).number, 100);
    EXPECT_EQ(errorOf([&] { Pack("B", rec, 1, 0); }).number, 5);
    EXPECT_EQ(errorOf([&] { Unpack("B", rec, -3); }).number, 5);
    EXPECT_EQ(errorOf([&] { Unpack("L", rec, INT32_MAX); }).number, 31) << "no overflow in the bound check";
}

// ---- compression ----------------------------------------------------------------------------

TEST(CodecTest, CrmPadsAndPacksThreeIntoTwo) {
    std::string c = Crm("AB", kDefaultAlphabet);
    EXPECT_EQ(bytesOf(c), (std::vector<int>{89, 216}));  // 14*1600 + 15*40 + 0 = 23000
    EXPECT_EQ(Ucm(c, kDefaultAlphabet), "AB ");
    EXPECT_EQ(Crm("", kDefaultAlphabet), "");
    EXPECT_EQ(Crm("ABCD", kDefaultAlphabet).size(), 4u);
    // Not in the alphabet (lower case, NUL): index 0, the space.
    EXPECT_EQ(Ucm(Crm("a\x01Z", kDefaultAlphabet), kDefaultAlphabet), "  Z");
}

TEST(CodecTest, CompressionRoundTripOfTheWholeAlphabet) {
    std::string all(kDefaultAlphabet);
    EXPECT_EQ(Ucm(Crm(all, kDefaultAlphabet), kDefaultAlphabet), all + "  ");  // 40 -> padded to 42
    EXPECT_EQ(Crm(all, kDefaultAlphabet).size(), 28u);
    std::string highest = Crm("ZZZ", kDefaultAlphabet);
    EXPECT_EQ(bytesOf(highest), (std::vector<int>{0xF9, 0xFF}));  // 63999
}

TEST(CodecTest, UcmOddLengthAndValuesAbove63999) {
    // One byte: the high byte of a pair whose low byte is 0.
    EXPECT_EQ(Ucm(bytes({89}), kDefaultAlphabet), Ucm(bytes({89, 0}), kDefaultAlphabet));
    // 0xFFFF = 65535: 65535\1600 = 40 (no character), (65535\40) mod 40 = 38, 65535 mod 40 = 15.
    EXPECT_EQ(Ucm(bytes({0xFF, 0xFF}), kDefaultAlphabet), "YB");
    EXPECT_EQ(Ucm("", kDefaultAlphabet), "");
}

// ---- dates ---------------------------------------------------------------------------------

TEST(CodecTest, DayNumberDates) {
    std::string rec(4, '\0');
    PackDate("C", rec, 1, VbDate{1968, 1, 1});
    EXPECT_EQ(Unpack("C", rec, 1), 0) << "1 January 1968 is always written as 0";
    PackDate("J", rec, 1, VbDate{1967, 12, 31});
    EXPECT_EQ(Unpack("C", rec, 1), 0);
    PackDate("c", rec, 1, VbDate{1968, 1, 2});
    EXPECT_EQ(Unpack("C", rec, 1), 2);
    PackDate("C", rec, 3, VbDate{2006, 12, 6, 13, 45, 0});
    EXPECT_EQ(Unpack("C", rec, 3), 14220) << "the time of day does not count";

    std::string z = bytes({0, 0, 0, 1, 0, 2});
    EXPECT_EQ(UnPackDate("C", z, 1), (VbDate{1968, 1, 1}));
    EXPECT_EQ(UnPackDate("J", z, 3), (VbDate{1968, 1, 1}));
    EXPECT_EQ(UnPackDate("C", z, 5), (VbDate{1968, 1, 2}));
    // No range check: an earlier date stores its negative count's low 16 bits.
    PackDate("C", rec, 1, VbDate{1967, 12, 30});
    EXPECT_EQ(Unpack("C", rec, 1), 65535);
    // A stored 65535 reads as day 65535, not as -1.
    EXPECT_EQ(UnPackDate("J", rec, 1), dateFromDayNumber(65535));
}

TEST(CodecTest, MmddyyAndYymmddDates) {
    std::string rec(6, '\0');
    PackDate("D", rec, 1, VbDate{2006, 12, 6});
    EXPECT_EQ(Unpack("D", rec, 1), 120606);
    EXPECT_EQ(UnPackDate("D", rec, 1), (VbDate{2006, 12, 6}));
    PackDate("K", rec, 1, VbDate{1999, 1, 2});
    EXPECT_EQ(Unpack("D", rec, 1), 10299);
    EXPECT_EQ(UnPackDate("k", rec, 1), (VbDate{1999, 1, 2}));

    PackDate("R", rec, 4, VbDate{2006, 12, 6});
    EXPECT_EQ(Unpack("D", rec, 4), 61206);
    EXPECT_EQ(UnPackDate("R", rec, 4), (VbDate{2006, 12, 6}));
}

TEST(CodecTest, UnPackDateNeverFails) {
    std::string zero(3, '\0');
    EXPECT_EQ(UnPackDate("D", zero, 1), kEmptyDate) << "00/00/00 is no date";
    EXPECT_EQ(UnPackDate("R", zero, 1), kEmptyDate);
    std::string rec(3, '\0');
    Pack("D", rec, 133206, 1);  // 13/32/06
    EXPECT_EQ(UnPackDate("D", rec, 1), kEmptyDate);
    Pack("D", rec, 1000000, 1);  // seven digits: 100/00/00
    EXPECT_EQ(UnPackDate("D", rec, 1), kEmptyDate);
    Pack("D", rec, 22900, 1);  // 02/29/00: 2000 is a leap year
    EXPECT_EQ(UnPackDate("D", rec, 1), (VbDate{2000, 2, 29}));
    Pack("D", rec, 22901, 1);  // 02/29/01 is not a date
    EXPECT_EQ(UnPackDate("D", rec, 1), kEmptyDate);
    EXPECT_EQ(UnPackDate("Q", rec, 1), kEmptyDate);
    EXPECT_EQ(UnPackDate("C", rec, 3), kEmptyDate) << "bound failure yields the empty date";
    EXPECT_EQ(UnPackDate("C", rec, 0), kEmptyDate);
    std::string untouched(2, 'x');
    PackDate("Z", untouched, 1, VbDate{2006, 1, 1});
    EXPECT_EQ(untouched, "xx") << "unknown date op-code writes nothing";
    EXPECT_EQ(errorOf([&] { PackDate("C", untouched, 2, VbDate{2006, 1, 1}); }).number, 31);
}

TEST(CodecTest, TwoDigitYearWindow) {
    EXPECT_EQ(windowYear(29), 2029);
    EXPECT_EQ(windowYear(30), 1930);
    EXPECT_EQ(windowYear(0), 2000);
    std::string rec(3, '\0');
    Pack("D", rec, 123129, 1);
    EXPECT_EQ(UnPackDate("D", rec, 1), (VbDate{2029, 12, 31}));
    Pack("D", rec, 10130, 1);
    EXPECT_EQ(UnPackDate("D", rec, 1), (VbDate{1930, 1, 1}));
}

// ---- text and number services ------------------------------------------------------------

TEST(CodecTest, Trun) {
    EXPECT_EQ(Trun("AB  "), "AB");
    EXPECT_EQ(Trun("AB \r  "), "AB \r") << "flag 0 keeps a trailing CR and the spaces before it";
    EXPECT_EQ(Trun(std::string("AB \r\0 \t\n", 8), 1), "AB");
    EXPECT_EQ(Trun(std::string("A\0B\0", 4), 1), std::string("A\0B", 3));
    EXPECT_EQ(Trun(std::string("\0\0  ", 4), 7), "");
    EXPECT_EQ(Trun("   "), "");
    EXPECT_EQ(Trun(""), "");
}

TEST(CodecTest, StrPos) {
    int32_t loc = -1;
    StrPos(loc, "ABCABC", "CA");
    EXPECT_EQ(loc, 3);
    StrPos(loc, "ABC", "X");
    EXPECT_EQ(loc, 0);
    StrPos(loc, "", "");
    EXPECT_EQ(loc, 0);
    StrPos(loc, "ABC", "");
    EXPECT_EQ(loc, 1);
    StrPos(loc, "abc", "B");
    EXPECT_EQ(loc, 0) << "byte for byte";
}

TEST(CodecTest, MaxMin) {
    EXPECT_EQ(Max(3, 5), 5);
    EXPECT_EQ(Max(5, 3), 5);
    EXPECT_EQ(Min(3, 5), 3);
    EXPECT_EQ(Min(-1, -7), -7);
}

TEST(CodecTest, Split) {
    EXPECT_EQ(Split("WS07   12,3", " "), (std::vector<std::string>{"WS07", "12,3"}));
    EXPECT_EQ(Split(",12,,3", ","), (std::vector<std::string>{"12", "3"}));
    EXPECT_EQ(Split("", " "), (std::vector<std::string>{}));
    EXPECT_EQ(Split("a b c", " ", 2), (std::vector<std::string>{"a"}))
        << "the unsplit remainder still holds the delimiter and is dropped";
    EXPECT_EQ(Split("a b", " ", 0), (std::vector<std::string>{}));
    EXPECT_EQ(Split("aXbxc", "x", -1, 1), (std::vector<std::string>{"a", "b", "c"}));
    EXPECT_EQ(Split("aXbxc", "x", -1, 0), (std::vector<std::string>{"aXb", "c"}));
    EXPECT_EQ(Split("abc", ""), (std::vector<std::string>{"abc"}));
}

TEST(CodecTest, YesNo) {
    EXPECT_TRUE(IsYes("Y"));
    EXPECT_FALSE(IsYes("y"));
    EXPECT_FALSE(IsYes("N"));
    EXPECT_FALSE(IsYes(""));
    EXPECT_EQ(YesNo(true), "Y");
    EXPECT_EQ(YesNo(false), "N");
}

// ---- services reading the engine state -----------------------------------------------------

class CodecEngineTest : public testing::StoreTest {};

TEST_F(CodecEngineTest, SysCodes) {
    FixedClock clock(LocalDateTime{2006, 12, 6, 10, 20, 30});
    engine().clock = &clock;
    EXPECT_EQ(Sys(1), 6);
    EXPECT_EQ(Sys(2), 12);
    EXPECT_EQ(Sys(3), 2006);
    EXPECT_EQ(Sys(28), 120606);
    EXPECT_EQ(Sys(128), 61206);
    EXPECT_EQ(Sys(152), 14220);
    EXPECT_EQ(Sys(0), 0);
    EXPECT_EQ(Sys(5), 0);
    EXPECT_EQ(Sys(153), 0);
    EXPECT_EQ(Sys(-1), 0);
    EXPECT_EQ(Now(), (VbDate{2006, 12, 6, 10, 20, 30}));

    EXPECT_EQ(errorOf([] { Sys(4); }).number, 91) << "no system record yet";
    startEngine();
    engine().system->TerminalID = "12";
    EXPECT_EQ(Sys(4), 12);
    engine().system->TerminalID = "x";
    EXPECT_EQ(errorOf([] { Sys(4); }).number, 13);
}

TEST_F(CodecEngineTest, StmaAlphabetAndDayNumbers) {
    Variant zero = int64_t{0}, four = std::string("abcd"), three = std::string("abc");
    Stma(10, zero, three);
    EXPECT_EQ(engine().alphabet, kDefaultAlphabet) << "three characters change nothing";
    Variant one = int64_t{1};
    Stma(10, one, four);
    EXPECT_EQ(engine().alphabet, kDefaultAlphabet) << "Var2 must be 0";
    Stma(10, zero, four);
    EXPECT_EQ(engine().alphabet.substr(0, 6), "abcd01");
    EXPECT_EQ(Ucm(Crm("a0b")), "a0b");

    Variant n = int64_t{14220}, m, d, y, date;
    Stma(11, n, m, d, y, date);
    EXPECT_EQ(std::get<VbDate>(date), (VbDate{2006, 12, 6}));
    EXPECT_EQ(toLong(m), 12);
    EXPECT_EQ(toLong(d), 6);
    EXPECT_EQ(toLong(y), 6);
    Variant z = int64_t{0};
    Stma(11, z, m, d, y, date);
    EXPECT_EQ(std::get<VbDate>(date), (VbDate{1968, 1, 1}));
    EXPECT_EQ(toLong(y), 68);

    Variant mm = int64_t{1}, dd = int64_t{1}, yy = int64_t{68}, v5, v6;
    Stma(12, mm, dd, yy, v5, v6);
    EXPECT_EQ(toLong(mm), 0) << "1/1/68 is day 0";
    mm = int64_t{1}, dd = int64_t{2}, yy = int64_t{68};
    Stma(12, mm, dd, yy, v5, v6);
    EXPECT_EQ(toLong(mm), 2);
    mm = int64_t{12}, dd = int64_t{6}, yy = int64_t{6};
    Stma(12, mm, dd, yy, v5, v6);
    EXPECT_EQ(toLong(mm), 14220);
    mm = int64_t{2}, dd = int64_t{30}, yy = int64_t{6};
    EXPECT_EQ(errorOf([&] { Stma(12, mm, dd, yy, v5, v6); }).number, 13);
    Variant other = std::string("unchanged");
    Stma(99, other);
    EXPECT_EQ(std::get<std::string>(other), "unchanged");
}

}  // namespace
}  // namespace ztl::storedata
