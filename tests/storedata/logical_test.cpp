// Logical files, records and locks, on files written by the fixture writers.
#include <fstream>
#include <random>

#include <gtest/gtest.h>

#include "storedata/engine.h"
#include "storedata/logical.h"
#include "storedata/physical.h"
#include "support/store_test.h"

namespace ztl::storedata {
namespace {

namespace fs = std::filesystem;
namespace fx = fixtures;
using testing::bytesOf;
using testing::errorOf;
using testing::fileBytes;

class LogicalTest : public testing::StoreTest {
  protected:
    // CUST: record file of 100-byte records 1..10 at block 3 of DATA/CUSTDB; records 1-9
    // hold their number in bytes 1-2 ("J", active) and a letter.
    void SetUp() override {
        StoreTest::SetUp();
        std::map<int32_t, std::string> recs;
        for (int32_t n = 1; n <= 9; ++n)
            recs[n] = fx::activeRecord(100, {{3, std::string(1, static_cast<char>('A' + n))}},
                                       static_cast<int16_t>(n));
        images_ = tree_->addCatalogue("DATA:CUSTCT", {fx::recordFile("CUST", 100, 10, recs)}, 3);
    }
    fs::path dataPath() const { return tree_->systemDir() / "CUSTDB"; }
    std::vector<fx::LogicalFileImage> images_;
};

TEST_F(LogicalTest, RecordAddressingInsideTheSharedDataFile) {
    startEngine();
    auto f = LogicalOpen("CUST");
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(f->FileName, "CUST");
    EXPECT_EQ(f->FileType, "L");
    EXPECT_EQ(f->Position, 3);
    EXPECT_EQ(f->RecordLength, 100);
    EXPECT_EQ(f->LastRecord, 10);
    EXPECT_EQ(recordOffset(*f, 1), 1636);
    EXPECT_EQ(recordOffset(*f, 2), 1736);
    const std::string bytes = fileBytes(dataPath());
    EXPECT_EQ(LreadFile(f, 1), bytes.substr(1636, 100));
    EXPECT_EQ(LreadFile(f, 2).substr(0, 3), std::string("\0\2C", 3));
    EXPECT_EQ(LreadFile(f, 10), std::string(100, '\0'));
}

TEST_F(LogicalTest, OpenTwiceReturnsTheRegisteredEntryWithoutReadingAgain) {
    startEngine();
    auto a = LogicalOpen("CUST");
    fs::remove(tree_->systemDir() / "CUSTCT");
    auto b = LogicalOpen("CUST");
    EXPECT_EQ(a, b);
    EXPECT_EQ(logicalFiles().Count(), 1);
}

TEST_F(LogicalTest, BareAndQualifiedNamesAreTwoEntriesOnOnePhysicalFile) {
    startEngine();
    auto a = LogicalOpen("CUST");
    auto b = LogicalOpen(":DATA:CUST");
    ASSERT_TRUE(a && b);
    EXPECT_NE(a, b);
    EXPECT_EQ(a->OpenFile, b->OpenFile);
    EXPECT_EQ(logicalFiles().Count(), 2);
    EXPECT_EQ(openFiles().Count(), 1);
    EXPECT_EQ(qualifyName("CUST", "DATA"), ":DATA:CUST");
    EXPECT_EQ(qualifyName(":X:CUST", "DATA"), ":X:CUST");
    EXPECT_EQ(qualifyName("", "DATA"), "");
    EXPECT_EQ(bareName(":DATA:CUST"), "CUST");
    EXPECT_EQ(bareName("CUST"), "CUST");
}

TEST_F(LogicalTest, CatalogueNameMatch) {
    fx::CatalogueEntry nulPadded{"CUST", 0, 3, 100, 'L', 10, '\0'};
    fx::CatalogueEntry spacePadded{"SPACE", 0, 3, 100, 'L', 10, ' '};
    std::string byteOne = fx::catalogueEntry({"ONE", 0, 3, 100, 'L', 10, '\0'});
    byteOne[3] = '\1';  // "ONE" followed by a byte 1
    fx::CatalogueEntry lower{"lower", 0, 3, 100, 'L', 10, '\0'};
    std::string cat =
        fx::catalogueEntry(spacePadded) + byteOne + fx::catalogueEntry(lower) + fx::catalogueEntry(nulPadded);
    tree_->writeKrvlinkFile("DATA/CUSTCT", cat);
    for (const char* n : {"SPACE", "ONE", "LOWER", "lower"})
        tree_->addLink(std::string(":DATA:") + n, "DATA:CUSTCT");
    startEngine();
    EXPECT_NE(LogicalOpen("CUST"), nullptr) << "CUST followed by six NUL bytes";
    EXPECT_NE(LogicalOpen("SPACE"), nullptr) << "space padding";
    EXPECT_EQ(LogicalOpen("ONE"), nullptr) << "a byte 1 is not padding";
    EXPECT_EQ(LogicalOpen("LOWER"), nullptr) << "the name match is case-sensitive";
    EXPECT_NE(LogicalOpen("lower"), nullptr);
    EXPECT_EQ(logicalFiles().Count(), 3);
}

TEST_F(LogicalTest, FlagsLieInsideTheNameField) {
    // Flags 0x2000 are the bytes space, NUL: trimmed off the name, read as the flags word.
    // Flags 0x0102 end the name field in a byte 2, so that name no longer matches.
    tree_->writeKrvlinkFile("DATA/FLAGCT", fx::catalogueEntry({"FLG", 0x2000, 1, 100, 'L', 10, '\0'}) +
                                               fx::catalogueEntry({"BAD", 0x0102, 1, 100, 'L', 10, '\0'}));
    tree_->writeKrvlinkFile("DATA/FLAGDB", std::string(2048, '\0'));
    tree_->addLink(":DATA:FLG", "DATA:FLAGCT");
    tree_->addLink(":DATA:BAD", "DATA:FLAGCT");
    startEngine();
    auto f = LogicalOpen("FLG");
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(f->Flags, 0x2000);
    EXPECT_EQ(LogicalOpen("BAD"), nullptr);
}

TEST_F(LogicalTest, UnresolvableNamesGiveNone) {
    tree_->addLink(":DATA:NOCAT", "DATA:MISSINGCT");
    tree_->addLink(":DATA:NOTIN", "DATA:CUSTCT");
    startEngine();
    EXPECT_EQ(LogicalOpen("NOLINK"), nullptr);
    EXPECT_EQ(LogicalOpen("NOCAT"), nullptr);
    EXPECT_EQ(LogicalOpen("NOTIN"), nullptr);
    EXPECT_EQ(LogicalOpen(""), nullptr);
    EXPECT_EQ(logicalFiles().Count(), 0);
    EXPECT_EQ(openFiles().Count(), 0) << "no data file opened";
}

TEST_F(LogicalTest, CatalogueWithoutDataFile) {
    fs::remove(dataPath());
    startEngine();
    auto f = LogicalOpen("CUST");
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(f->OpenFile, nullptr);
    EXPECT_FALSE(f->IsamPlus);
    EXPECT_EQ(errorOf([&] { LreadFile(f, 1); }).number, 91);
    EXPECT_EQ(errorOf([&] { LwriteFile(f, 1, std::string(100, '\0')); }).number, -10);
    EXPECT_EQ(f->ActiveCount(), 0);
}

TEST_F(LogicalTest, RecordNumberChecks) {
    startEngine();
    auto f = LogicalOpen("CUST");
    for (int32_t bad : {0, 11, -1}) {
        auto e = errorOf([&] { LreadFile(f, bad); });
        EXPECT_EQ(e.number, 81);
        EXPECT_EQ(e.source, "iLreadFile");
        EXPECT_EQ(e.description, "Illegal Record Number for File: CUST and Record: " + std::to_string(bad));
    }
    auto e = errorOf([&] { LwriteFile(f, 11, std::string(100, 'x')); });
    EXPECT_EQ(e.number, 81);
    EXPECT_EQ(e.source, "iLwriteFile");
    EXPECT_EQ(e.description, "Illegal Record Number for File: CUST and Record: 11");
    EXPECT_NO_THROW(LreadFile(f, 10));

    e = errorOf([] { LreadFile(nullptr, 1); });
    EXPECT_EQ(e.number, -10);
    EXPECT_EQ(e.source, "iLreadFile");
    EXPECT_EQ(e.description, "LogicalFile parameter is undefined");
    e = errorOf([] { LwriteFile(nullptr, 1, ""); });
    EXPECT_EQ(e.source, "iLwriteFile");
    e = errorOf([] { InitFile(nullptr); });
    EXPECT_EQ(e.number, -10);
    EXPECT_EQ(e.source, "iLwriteFile");
}

TEST_F(LogicalTest, WriteLengthCheck) {
    startEngine();
    auto f = LogicalOpen("CUST");
    const std::string before = fileBytes(dataPath());
    auto e = errorOf([&] { LwriteFile(f, 1, std::string(99, 'x')); });
    EXPECT_EQ(e.number, 36);
    EXPECT_EQ(e.source, "iLwriteFile");
    EXPECT_EQ(e.description, "Illegal Data length for this record.  Size is: 99 and should be 100");
    EXPECT_EQ(fileBytes(dataPath()), before) << "nothing written";
    LwriteFile(f, 4, std::string(100, 'w'));
    EXPECT_EQ(fileBytes(dataPath()).substr(1536 + 400, 100), std::string(100, 'w'));
    EXPECT_EQ(LreadFile(f, 4), std::string(100, 'w'));
}

TEST_F(LogicalTest, InitFileOfARecordFile) {
    startEngine();
    auto f = LogicalOpen("CUST");
    EXPECT_EQ(f->ActiveCount(), 9);
    EXPECT_EQ(f->HighUsedRecord(), 9);
    InitFile(f);
    EXPECT_EQ(f->ActiveCount(), 0);
    EXPECT_EQ(f->HighUsedRecord(), 0);
    for (int32_t n = 1; n <= 10; ++n) EXPECT_EQ(LreadFile(f, n), std::string(100, '\0'));
    const std::string bytes = fileBytes(dataPath());
    EXPECT_EQ(bytesOf(bytes.substr(1536, 16)),
              (std::vector<int>{0xFF, 0xFE, 0xFF, 0xFF, 0xFF, 0xFF, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(bytes.substr(1536 + 16, 496), std::string(496, '\0')) << "InitFile writes 512 bytes";
}

TEST_F(LogicalTest, InitFileOfAnotherTypeChangesNothing) {
    tree_->writeKrvlinkFile("DATA/OTHERCT", fx::catalogueEntry({"XFILE", 0, 1, 100, 'X', 10, '\0'}));
    tree_->writeKrvlinkFile("DATA/OTHERDB", std::string(3000, 'k'));
    tree_->addLink(":DATA:XFILE", "DATA:OTHERCT");
    startEngine();
    auto f = LogicalOpen("XFILE");
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(f->FileType, "X");
    InitFile(f, 10, true, 80);
    EXPECT_EQ(fileBytes(tree_->systemDir() / "OTHERDB"), std::string(3000, 'k'));
}

TEST_F(LogicalTest, DelRecBuildsTheFreeChain) {
    startEngine();
    auto f = LogicalOpen("CUST");
    // Record 5 has bytes 0, 5: active.
    DelRec(f, 5);
    EXPECT_EQ(f->ActiveCount(), 8);
    std::string r5 = LreadFile(f, 5);
    EXPECT_EQ(bytesOf(r5.substr(0, 6)), (std::vector<int>{0, 0, 0xFF, 0xFF, 0xFF, 0xFF}))
        << "previous head -1";
    EXPECT_EQ(r5.substr(6), std::string(94, '\0'));
    auto e = errorOf([&] { DelRec(f, 5); });
    EXPECT_EQ(e.number, 81);
    EXPECT_EQ(e.source, "DelRec");
    EXPECT_EQ(e.description, "Attempt to delete a deleted record");
    EXPECT_EQ(f->ActiveCount(), 8) << "a failed delete changes nothing";

    DelRec(f, 4);
    DelRec(f, 9);
    // Chain: 9 -> 4 -> 5 -> -1.
    const std::string zero = fileBytes(dataPath()).substr(1536, 16);
    EXPECT_EQ(bytesOf(zero.substr(2, 4)), (std::vector<int>{0, 0, 0, 9}));
    EXPECT_EQ(bytesOf(LreadFile(f, 9).substr(2, 4)), (std::vector<int>{0, 0, 0, 4}));
    EXPECT_EQ(bytesOf(LreadFile(f, 4).substr(2, 4)), (std::vector<int>{0, 0, 0, 5}));
    EXPECT_EQ(f->ActiveCount(), 6);
    EXPECT_EQ(f->HighUsedRecord(), 9) << "DelRec keeps the high-water mark";

    EXPECT_EQ(errorOf([&] { DelRec(f, 10); }).number, 81) << "record 10 is all NUL: not active";
    EXPECT_EQ(errorOf([&] { DelRec(f, 11); }).source, "iLreadFile");
}

TEST_F(LogicalTest, ActiveCountNeverFallsBelowZero) {
    images_ = tree_->addCatalogue(
        "DATA:CUSTCT",
        {fx::recordFile("CUST", 100, 10, {{3, fx::activeRecord(100, {})}}, fx::recordZero(-1, 3, 0))}, 3);
    startEngine();
    auto f = LogicalOpen("CUST");
    DelRec(f, 3);
    EXPECT_EQ(f->ActiveCount(), 0);
}

TEST_F(LogicalTest, GetRecReportsNoLock) {
    startEngine();
    auto f = LogicalOpen("CUST");
    int32_t rec = 77;
    auto e = errorOf([&] { GetRec(f, rec); });
    EXPECT_EQ(e.number, 57);
    EXPECT_EQ(e.source, "iGetRec");
    EXPECT_EQ(e.description, "Could not obtain a Lock on Record Zero of CUST");
    EXPECT_EQ(rec, 77);
    EXPECT_EQ(f->ActiveCount(), 9) << "record zero untouched";
    EXPECT_EQ(PhysicalLock("CUST", 0, 100), 0);
    EXPECT_EQ(LogicalLock(f, 3), 0);
    EXPECT_EQ(ReleaseLock(5), 0);
}

TEST_F(LogicalTest, AllocationFromTheFreeChainThenTheHighWaterMark) {
    startEngine();
    auto f = LogicalOpen("CUST");
    DelRec(f, 4);
    DelRec(f, 9);
    int32_t rec = 0;
    detail::allocateRecord(f, rec, false);
    EXPECT_EQ(rec, 9);
    detail::allocateRecord(f, rec, false);
    EXPECT_EQ(rec, 4);
    EXPECT_EQ(f->ActiveCount(), 9);
    detail::allocateRecord(f, rec, false);
    EXPECT_EQ(rec, 10) << "chain empty (-1): the highest allocated + 1";
    EXPECT_EQ(f->HighUsedRecord(), 10);
    EXPECT_EQ(f->ActiveCount(), 10);
}

TEST_F(LogicalTest, GarbledFreeChainHeadIsAnError) {
    images_ = tree_->addCatalogue("DATA:CUSTCT",
                                  {fx::recordFile("CUST", 100, 10, {}, fx::recordZero(5000, 3, 0))}, 3);
    startEngine();
    auto f = LogicalOpen("CUST");
    int32_t rec = 0;
    EXPECT_EQ(errorOf([&] { detail::allocateRecord(f, rec, false); }).number, 81);
}

TEST_F(LogicalTest, IndexHeaderFormMarker) {
    auto basic = fx::bulkIndex("BASICX", {{"A", 1}}, {4});
    auto plus = fx::bulkIndex("PLUSX", {{"A", 1}}, {4});
    plus.bytes[14] = '0';
    plus.bytes[15] = '9';
    tree_->addCatalogue("DATA:IDXCT", {basic, plus}, 1);
    startEngine();
    auto b = LogicalOpen("BASICX");
    auto p = LogicalOpen("PLUSX");
    ASSERT_TRUE(b && p);
    EXPECT_EQ(b->FileType, "I");
    EXPECT_FALSE(b->IsamPlus);
    EXPECT_TRUE(p->IsamPlus);
}

// ---- damaged catalogues and data files ------------------------------------------------------

TEST_F(LogicalTest, ShortCatalogueEntryIsReadAsFarAsItGoes) {
    std::string e = fx::catalogueEntry({"SHORT", 0, 3, 0x0164, 'L', 10, '\0'});
    tree_->writeKrvlinkFile("DATA/SHORTCT", e.substr(0, 14));  // stops inside RecordLength
    tree_->writeKrvlinkFile("DATA/SHORTDB", std::string(4096, '\0'));
    tree_->addLink(":DATA:SHORT", "DATA:SHORTCT");
    startEngine();
    auto f = LogicalOpen("SHORT");
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(f->RecordLength, 0x0100) << "the missing byte reads as NUL";
    EXPECT_EQ(f->LastRecord, 0);
    EXPECT_EQ(errorOf([&] { LreadFile(f, 1); }).number, 81);
}

TEST_F(LogicalTest, HugePositionIsAnOverflowNotAWildRead) {
    fx::CatalogueEntry e{"FAR", 0, 0xFFFFFF, 100, 'L', 10, '\0'};
    fx::CatalogueEntry i{"FARX", 0, 0xFFFFFF, 512, 'I', 10, '\0'};
    tree_->writeKrvlinkFile("DATA/FARCT", fx::catalogueEntry(e) + fx::catalogueEntry(i));
    tree_->writeKrvlinkFile("DATA/FARDB", std::string(512, '\0'));
    tree_->addLink(":DATA:FAR", "DATA:FARCT");
    tree_->addLink(":DATA:FARX", "DATA:FARCT");
    startEngine();
    auto f = LogicalOpen("FAR");
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(errorOf([&] { LreadFile(f, 1); }).number, 6);
    EXPECT_EQ(errorOf([&] { DelRec(f, 1); }).number, 6);
    EXPECT_EQ(errorOf([&] { LogicalOpen("FARX"); }).number, 6);
}

TEST_F(LogicalTest, DataFileShorterThanTheCatalogueSays) {
    std::string data = fileBytes(dataPath());
    tree_->writeKrvlinkFile("DATA/CUSTDB", data.substr(0, 1536 + 250));  // record 2 cut halfway
    startEngine();
    auto f = LogicalOpen("CUST");
    EXPECT_EQ(LreadFile(f, 2).substr(50), std::string(50, ' '));
    EXPECT_EQ(LreadFile(f, 7), std::string(100, ' '));
}

// Random garbage in the link table, the catalogue and the data file: every operation either
// works or throws a VbError; none crashes or hangs.
TEST_F(LogicalTest, GarbageNeverCrashes) {
    std::mt19937 rng(12345);
    auto garbage = [&](size_t n) {
        std::string s(n, '\0');
        for (auto& c : s) c = static_cast<char>(rng() & 0xFF);
        return s;
    };
    for (int round = 0; round < 150; ++round) {
        resetEngine();
        std::string cat = garbage(rng() % 100);
        // Keep a findable name in most rounds so the record operations run.
        if (round % 3 != 0 && cat.size() >= 16) std::copy_n("CUST\0\0", 6, cat.begin());
        if (round % 5 == 0 && cat.size() >= 13) cat[10] = cat[11] = 0;  // a small Position
        tree_->writeKrvlinkFile("DATA/CUSTCT", cat);
        tree_->writeKrvlinkFile("DATA/CUSTDB", garbage(rng() % 4096));
        std::string links = fx::linkRecord(":DATA:CUST", "DATA:CUSTCT") + garbage(rng() % 400);
        tree_->writeKrvlinkFile("LINKSFILE", links);
        startEngine();
        try {
            auto f = LogicalOpen("CUST");
            if (!f) continue;
            (void)f->ActiveCount();
            (void)f->HighUsedRecord();
            int32_t n = static_cast<int32_t>(rng() % 20);
            try {
                (void)LreadFile(f, n);
            } catch (const VbError&) {
            }
            try {
                DelRec(f, n);
            } catch (const VbError&) {
            }
            int32_t r = 0;
            try {
                detail::allocateRecord(f, r, false);
            } catch (const VbError&) {
            }
            if (f->LastRecord < 5000 && f->RecordLength < 2000) {
                try {
                    InitFile(f, 6, false, 100);
                } catch (const VbError&) {
                }
            }
        } catch (const VbError&) {
        }
    }
    SUCCEED();
}

}  // namespace
}  // namespace ztl::storedata
