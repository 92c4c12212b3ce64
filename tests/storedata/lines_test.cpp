// Line record layouts: clsLines Pack/Unpack/Read and the line collection, on
// LINEL, ELINEL and COMODI written by the fixture writers.
#include <gtest/gtest.h>

#include "storedata/business_basic.h"
#include "storedata/engine.h"
#include "storedata/lines.h"
#include "support/store_test.h"

namespace ztl::storedata {
namespace {

namespace fs = std::filesystem;
namespace fx = fixtures;
using testing::bytesOf;
using testing::errorOf;

constexpr size_t kLinel = 111, kElinel = 111;  // 222 together

// A combined line record (LINEL then ELINEL) written with the fixtures' own encoders.
std::string lineRecord(int line, const std::string& name, char comodity, int32_t costCents, int16_t inUse = 1,
                       char type = 'U') {
    return fx::activeRecord(kLinel + kElinel,
                            {{3, fx::be(line, 2)},
                             {5, fx::compress("A" + std::to_string(line)).substr(0, 2)},
                             {7, fx::padded(fx::compress(name), 20, '\0')},
                             {27, "Y"},
                             {28, std::string(1, comodity)},
                             {75, fx::be(costCents, 4)},
                             {83, fx::be(10, 4)},      // MTD_No_Sales
                             {87, fx::be(2500, 4)},    // MTD_Sales 25.00
                             {95, fx::be(30, 4)},      // YTD_No_Sales without MTD
                             {99, fx::be(100000, 4)},  // YTD_Sales without MTD: 1000.00
                             {124, "Y"},
                             {142, std::string(1, type)},
                             {205, fx::be(14220, 2)}},  // 6 December 2006
                            inUse);
}

class LinesTest : public testing::StoreTest {
  protected:
    void SetUp() override {
        StoreTest::SetUp();
        engine().prompter = &prompter_;
        engine().services.computerName = [] { return std::string("WS07"); };
        engine().services.resolveIPv4 = [](const std::string&) { return std::nullopt; };
        tree_->writeTtymap("WS07 3\r\n");
        fx::writeEngineConfig(dir_, fx::EngineConfig{{{"Server", "SRV1"}, {"Directory", "DATA"}}, ""});
    }
    // Writes LINEL and ELINEL from combined records, and COMODI from (line, code) pairs.
    void writeLines(const std::map<int32_t, std::string>& combined, int32_t lastRecord,
                    const std::vector<std::pair<int, char>>& comodi, int32_t elinelLast = -1) {
        std::map<int32_t, std::string> l, e;
        for (const auto& [n, rec] : combined) {
            l[n] = rec.substr(0, kLinel);
            if (elinelLast < 0 || n <= elinelLast) e[n] = rec.substr(kLinel);
        }
        std::vector<fx::IndexEntry> keys;
        int32_t r = 1;
        for (auto [line, code] : comodi)
            keys.push_back({fx::be(line, 2) + std::string(1, code) + std::string(1, '\0'), r++});
        tree_->addCatalogue("DATA:LINECT",
                            {fx::recordFile("LINEL", kLinel, lastRecord, l),
                             fx::recordFile("ELINEL", kElinel, elinelLast < 0 ? lastRecord : elinelLast, e),
                             fx::bulkIndex("COMODI", keys, {4, false, 3})},
                            1);
    }
    void start() {
        StartDataEngine();
        ASSERT_NE(engine().sharedFacade, nullptr) << (prompter_.shown.empty() ? "" : prompter_.shown[0].text);
    }
    RecordingPrompter prompter_;
};

TEST_F(LinesTest, ReadAFullLine) {
    writeLines({{1, lineRecord(7, "HAND TOOLS", 'H', 12345)}}, 3,
               {{7, 'A'}, {7, 'H'}, {7, 'K'}, {7, 'M'}, {8, 'B'}});
    start();
    clsLines l;
    l.Read(1);
    EXPECT_EQ(l.RecNo, 1);
    EXPECT_EQ(l.Line, 7);
    EXPECT_EQ(l.Alpha_Line, "A7 ");
    EXPECT_EQ(l.Line_Name, "HAND TOOLS" + std::string(20, ' '));
    EXPECT_EQ(l.Auto_Order, "Y");
    EXPECT_EQ(l.Comodity, "H");
    EXPECT_EQ(l.Cost_of_Mdse, Currency::fromCents(12345));
    EXPECT_EQ(l.Cost_of_Mdse.text(), "123.45");
    EXPECT_EQ(l.MTD_No_Sales, 10);
    EXPECT_EQ(l.YTD_No_Sales, 40) << "stored without the month-to-date value";
    EXPECT_EQ(l.YTD_Sales.text(), "1025");
    EXPECT_TRUE(l.ReCalculateMax);
    EXPECT_EQ(l.Line_Type, "U");
    EXPECT_EQ(l.Seas_Date_Last_Gen, (VbDate{2006, 12, 6}));
    // KFind lands on (7, H) itself, KNext steps past it: the codes after H of line 7.
    EXPECT_EQ(l.Comodities, (std::vector<std::string>{"H", "K", "M"}));
    EXPECT_EQ(errorOf([&] { l.Read(0); }).description, "Illegal Record Number");
    auto e = errorOf([&] { l.Read(4); });
    EXPECT_EQ(e.number, 81);
    EXPECT_EQ(e.description, "Illegal Record Number");
    EXPECT_EQ(l.RecNo, 1) << "nothing changes";
}

TEST_F(LinesTest, ElinelShorterThanLinel) {
    writeLines({{1, lineRecord(7, "A", 'H', 1)}, {2, lineRecord(8, "B", 'B', 1)}}, 2, {}, 1);
    start();
    clsLines l;
    l.Read(1);
    auto e = errorOf([&] { l.Read(2); });
    EXPECT_EQ(e.number, 81);
    EXPECT_EQ(e.source, "iLreadFile");
    EXPECT_EQ(e.description, "Illegal Record Number for File: ELINEL and Record: 2");
}

TEST_F(LinesTest, CollectionOfLinesInUse) {
    writeLines({{1, lineRecord(7, "SEVEN", 'A', 1)},
                {2, lineRecord(9, "DELETED", 'A', 1, 0)},
                {3, lineRecord(1000, "TOO HIGH", 'A', 1)},
                {4, lineRecord(40000, "ABOVE 32767", 'A', 1)},
                {5, lineRecord(12, "TWELVE", 'B', 1, -3)},
                {6, lineRecord(999, "LAST", 'C', 250)}},
               10, {{7, 'A'}, {7, 'Q'}});
    start();
    clnLines all;
    ASSERT_EQ(all.Count(), 2);
    EXPECT_EQ(all.Item(1)->Line, 7);
    EXPECT_EQ(all.Item("7")->Line_Name.substr(0, 5), "SEVEN");
    EXPECT_EQ(all.Item("999")->RecNo, 6);
    EXPECT_EQ(all.Item("7")->Comodities, (std::vector<std::string>{"A", "Q"}));
    EXPECT_EQ(all.Item("999")->Comodities, (std::vector<std::string>{"C"}));
}

TEST_F(LinesTest, DuplicateLineNumbersEndTheLoading) {
    writeLines({{1, lineRecord(7, "A", 'A', 1)}, {2, lineRecord(7, "B", 'A', 1)}}, 2, {});
    start();
    EXPECT_EQ(errorOf([] { clnLines all; }).number, 457);
}

TEST_F(LinesTest, RecordsBeyondTheHighWaterMarkAreNotExamined) {
    std::map<int32_t, std::string> l = {{1, lineRecord(7, "A", 'A', 1)}, {3, lineRecord(8, "B", 'A', 1)}};
    writeLines(l, 5, {});
    start();
    // LINEL's record zero says the highest record ever used is 1.
    auto linel = engine().sharedFacade->LogicalOpen("LINEL");
    std::string zero = fx::recordZero(-1, 1, 1);
    engine().sharedFacade->WriteFile(linel->OpenFile, zero, linel->Position * 512);
    clnLines all;
    EXPECT_EQ(all.Count(), 1);
}

// LINEL placed last in its data file, and the file cut after record 2: records 3 to the
// last (10) lie past its end. Record zero says `highUsed` records were ever used.
class ShortLinelTest : public LinesTest {
  protected:
    void writeShortLinel(int32_t highUsed) {
        std::map<int32_t, std::string> l, e;
        for (auto [n, line] : {std::pair{1, 7}, std::pair{2, 9}}) {
            const std::string rec = lineRecord(line, "LINE", 'A', 1);
            l[n] = rec.substr(0, kLinel);
            e[n] = rec.substr(kLinel);
        }
        auto images =
            tree_->addCatalogue("DATA:LINECT",
                                {fx::recordFile("ELINEL", kElinel, 10, e),
                                 fx::bulkIndex("COMODI", {{fx::be(7, 2) + "A", 1}}, {4}),
                                 fx::recordFile("LINEL", kLinel, 10, l, fx::recordZero(-1, highUsed, 2))},
                                1);
        fs::resize_file(tree_->systemDir() / "LINEDB", images[2].entry.position * fx::kBlock + 3 * kLinel);
        start();
    }
};

TEST_F(ShortLinelTest, RecordsPastTheEndOfTheDataFileAreNotInUse) {
    writeShortLinel(10);
    clnLines all;
    EXPECT_EQ(all.Count(), 2);
}

TEST_F(ShortLinelTest, ARecordNumberPastTheLastRecordIsRefusedEvenPastTheEndOfTheFile) {
    writeShortLinel(12);
    auto e = errorOf([] { clnLines all; });
    EXPECT_EQ(e.number, 81);
    EXPECT_EQ(e.description, "Illegal Record Number for File: LINEL and Record: 11");
}

TEST_F(LinesTest, WithoutCommodityIndexTheLineKeepsItsOwnCode) {
    const std::string rec = lineRecord(7, "A", 'H', 1);
    tree_->addCatalogue("DATA:LINECT",
                        {fx::recordFile("LINEL", kLinel, 1, {{1, rec.substr(0, kLinel)}}),
                         fx::recordFile("ELINEL", kElinel, 1, {{1, rec.substr(kLinel)}})},
                        1);
    start();
    clsLines l;
    l.Read(1);
    EXPECT_EQ(l.Comodities, (std::vector<std::string>{"H"}));
}

TEST_F(LinesTest, NoSharedFacade) {
    EXPECT_EQ(errorOf([] { clsLines l; }).number, 91);
    EXPECT_EQ(errorOf([] { clnLines all; }).number, 91);
}

// ---- Pack and Unpack on record strings -----------------------------------------------------

class LineCodecTest : public LinesTest {
  protected:
    void SetUp() override {
        LinesTest::SetUp();
        writeLines({}, 1, {});
        start();
    }
};

TEST_F(LineCodecTest, CurrencyFields) {
    clsLines l;
    std::string rec(222, '\0');
    fx::put(rec, 75, fx::be(12345, 4));
    l.Unpack(rec);
    EXPECT_EQ(l.Cost_of_Mdse.text(), "123.45");
    std::string out(222, '\0');
    l.Pack(out);
    EXPECT_EQ(out.substr(74, 4), fx::be(12345, 4));
    l.Cost_of_Mdse = Currency{1250};  // 0.125
    l.Pack(out);
    EXPECT_EQ(out.substr(74, 4), fx::be(12, 4)) << "halves to the even neighbour";
    l.Cost_of_Mdse = Currency{1350};  // 0.135
    l.Pack(out);
    EXPECT_EQ(out.substr(74, 4), fx::be(14, 4));
    l.Cost_of_Mdse = Currency{-1250};
    l.Pack(out);
    EXPECT_EQ(out.substr(74, 4), fx::be(-12, 4));
    EXPECT_EQ(Currency{-5000}.text(), "-0.5");
    EXPECT_EQ(Currency{0}.text(), "0");
    EXPECT_EQ(Currency{10500}.text(), "1.05");
}

TEST_F(LineCodecTest, YearToDateFieldsAreStoredWithoutTheMonth) {
    clsLines l;
    std::string rec(222, '\0');
    fx::put(rec, 83, fx::be(10, 4));
    fx::put(rec, 95, fx::be(30, 4));
    l.Unpack(rec);
    EXPECT_EQ(l.MTD_No_Sales, 10);
    EXPECT_EQ(l.YTD_No_Sales, 40);
    std::string out(222, '\0');
    l.Pack(out);
    EXPECT_EQ(out.substr(82, 4), fx::be(10, 4));
    EXPECT_EQ(out.substr(94, 4), fx::be(30, 4));

    // A difference that does not fit its "L" field is skipped, as every value that does not fit.
    const struct {
        int32_t ytd, mtd;
        const char* what;
    } counts[] = {{INT32_MAX, -1, "2^31"}, {INT32_MIN, 1, "-2^31 - 1"}};
    for (const auto& c : counts) {
        l.YTD_No_Sales = c.ytd;
        l.MTD_No_Sales = c.mtd;
        std::string kept(222, '\x5A');
        l.Pack(kept);
        EXPECT_EQ(kept.substr(94, 4), std::string(4, '\x5A')) << c.what;
        EXPECT_EQ(kept.substr(82, 4), fx::be(c.mtd, 4)) << c.what << ": the other fields are written";
    }
    l.YTD_No_Sales = 40;
    l.MTD_No_Sales = 10;
    l.YTD_Sales = Currency{INT64_MAX};
    l.MTD_Sales = Currency{-1};
    std::string kept(222, '\x5A');
    l.Pack(kept);
    EXPECT_EQ(kept.substr(98, 4), std::string(4, '\x5A')) << "an amount whose difference overflows";
    EXPECT_EQ(kept.substr(94, 4), fx::be(30, 4));
}

TEST_F(LineCodecTest, FlagsAndLineType) {
    clsLines l;
    std::string rec(222, ' ');
    l.Unpack(rec);
    EXPECT_EQ(l.Line_Type, "P") << "a space becomes P";
    rec[141] = 'R';
    rec[123] = 'y';
    l.Unpack(rec);
    EXPECT_EQ(l.Line_Type, "R");
    EXPECT_FALSE(l.ReCalculateMax) << "lower-case y is not Y";
    rec[141] = 'U';
    rec[123] = 'Y';
    l.Unpack(rec);
    EXPECT_EQ(l.Line_Type, "U");
    EXPECT_TRUE(l.ReCalculateMax);
}

TEST_F(LineCodecTest, CompressedNames) {
    clsLines l;
    std::string out(222, 'x');
    l.Line_Name = std::string(31, 'B');
    l.Pack(out);
    EXPECT_EQ(out.substr(6, 20), fx::compress(std::string(30, 'B'))) << "the first 30 characters";
    l.Line_Name = "ABCDE";
    l.Pack(out);
    EXPECT_EQ(out.substr(6, 4), fx::compress("ABCDE"));
    EXPECT_EQ(out.substr(10, 16), std::string(16, '\0'));
    clsLines back;
    back.Unpack(out);
    EXPECT_EQ(back.Line_Name, "ABCDE" + std::string(25, ' '));
}

TEST_F(LineCodecTest, RoundTripOfEveryField) {
    clsLines a;
    a.Line = 321;
    a.Alpha_Line = "X1 ";
    a.Line_Name = "PLUMBING SUPPLIES, 1/2 INCH.  ";
    a.Auto_Order = "N";
    a.Comodity = "P";
    a.Distributor_Number = 200;
    a.Stock_Depth = 60000;
    a.Re_Order_Percent = 15;
    a.Low_GP_Waring_Perc = 22;
    a.Sequencing_ANAN = "AB12CD";
    a.Sequencing_Prior = "ZZ    ";
    for (int i = 0; i < 6; ++i) {
        a.Price_Def_Level[i] = i + 1;
        a.Price_Def_Use[i] = 250 - i;
        a.Price_Def_Perc[i] = -1000 * (i + 1);
    }
    a.Cost_of_Mdse = Currency::fromCents(-12345);
    a.Cost_of_Freight = Currency::fromCents(99);
    a.MTD_No_Sales = 5;
    a.MTD_Sales = Currency::fromCents(500);
    a.MTD_COGS = Currency::fromCents(300);
    a.YTD_No_Sales = 55;
    a.YTD_Sales = Currency::fromCents(5500);
    a.YTD_COGS = Currency::fromCents(3300);
    a.PYTD_No_Sales = 77;
    a.PYTD_Sales = Currency::fromCents(7700);
    a.PYTD_COGS = Currency::fromCents(7);
    a.Default_Cost_GP = 33;
    a.Taxable = "Y";
    a.Default_Frt_Markup = 4;
    a.ReCalculateMax = true;
    a.High_Stock_Amount = 65535;
    a.DataBase_Name = "DB1";
    a.Warranty = 12;
    for (int i = 0; i < 4; ++i) {
        a.SerPol_No_Months[i] = 12 * (i + 1);
        a.SerPol_List_Perc[i] = 100 + i;
    }
    a.Line_Type = "R";
    a.Unit_Counter = 123456789;
    a.A_P_Company = 3;
    a.A_P_Vendor = -5;
    a.MTD_Items_Ordered = -32768;
    a.MTD_Items_Filled = 32767;
    a.MTD_Pieces_Ordered = -8388608;
    a.MTD_Pieces_Filled = 8388607;
    a.MTD_Dollars_Ord = INT32_MIN;
    a.MTD_Dollars_Filled = INT32_MAX;
    a.YTD_Items_Ordered = 1;
    a.YTD_Items_Filled = 2;
    a.YTD_Pieces_Ordered = 3;
    a.YTD_Pieces_Filled = 4;
    a.YTD_Dollars_Ord = 5;
    a.YTD_Dollars_Filled = 6;
    a.Primary_Vendor = 4242;
    a.Order_Type_Switch = "S";
    a.Seas_percentage = 80;
    a.Seas_ReOrder_Codes = "ABCDE";
    a.Seas_Date_Last_Gen = VbDate{2006, 12, 6};
    a.EOM_Mdse_Cost = 11;
    a.EOM_Freight_Cost = 12;
    a.EOY_Mdse_Cost = 13;
    a.EOY_Freight_Cost = 14;

    std::string rec(222, '\x5A');
    a.Pack(rec);
    EXPECT_EQ(rec.size(), 222u);
    for (size_t p : {1u, 2u, 30u, 31u, 32u, 192u, 199u, 200u, 201u, 202u})
        EXPECT_EQ(rec[p - 1], '\x5A') << "position " << p << " belongs to no field";
    EXPECT_EQ(rec.substr(202, 2), "AB") << "two of the five re-order codes survive";

    clsLines b;
    b.Unpack(rec);
    std::string again(222, '\x5A');
    b.Pack(again);
    EXPECT_EQ(again, rec) << "Pack(Unpack(Pack(a))) == Pack(a)";
    EXPECT_EQ(b.Line, 321);
    EXPECT_EQ(b.Alpha_Line, "X1 ");
    EXPECT_EQ(b.Line_Name, a.Line_Name);
    EXPECT_EQ(b.Stock_Depth, 60000);
    EXPECT_EQ(b.Price_Def_Perc[5], -6000);
    EXPECT_EQ(b.Cost_of_Mdse, a.Cost_of_Mdse);
    EXPECT_EQ(b.YTD_Sales, a.YTD_Sales);
    EXPECT_EQ(b.YTD_No_Sales, 55);
    EXPECT_EQ(b.DataBase_Name, "DB1");
    EXPECT_EQ(b.Line_Type, "R");
    EXPECT_EQ(b.MTD_Pieces_Ordered, -8388608);
    EXPECT_EQ(b.MTD_Dollars_Ord, INT32_MIN);
    EXPECT_EQ(b.Seas_Date_Last_Gen, (VbDate{2006, 12, 6}));
    EXPECT_EQ(b.Seas_ReOrder_Codes.substr(0, 2), "AB");
    EXPECT_EQ(b.EOY_Freight_Cost, 14);
}

TEST_F(LineCodecTest, ShortRecordsSetWhatFits) {
    clsLines l;
    l.EOY_Freight_Cost = 99;
    l.PYTD_Sales = Currency::fromCents(5);
    l.Seas_ReOrder_Codes = "OLD";
    l.ReCalculateMax = true;
    std::string rec(100, '\0');
    fx::put(rec, 3, fx::be(7, 2));
    fx::put(rec, 95, fx::be(30, 4));
    l.Unpack(rec);
    EXPECT_EQ(l.Line, 7);
    EXPECT_EQ(l.YTD_No_Sales, 30) << "ends at 98: read";
    EXPECT_EQ(l.EOY_Freight_Cost, 99) << "integer beyond 100: unchanged";
    EXPECT_EQ(l.PYTD_Sales, Currency::fromCents(5)) << "currency beyond 100: unchanged";
    EXPECT_EQ(l.Seas_ReOrder_Codes, "") << "text beyond: empty";
    EXPECT_EQ(l.DataBase_Name, "");
    EXPECT_FALSE(l.ReCalculateMax);
    EXPECT_EQ(l.Line_Type, "P");
    EXPECT_EQ(l.Seas_Date_Last_Gen, kEmptyDate);

    std::string shortRec(140, '\x11');
    l.Taxable = "T";
    l.Pack(shortRec);  // no error; fields beyond 140 skipped
    EXPECT_EQ(shortRec.size(), 140u);
    EXPECT_EQ(shortRec[120], 'T');
}

}  // namespace
}  // namespace ztl::storedata
