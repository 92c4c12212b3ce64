// Engine registries: collection behaviour, the link table, the system record,
// the record-zero counters and the release of the open-file registry.
#include <fcntl.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "storedata/engine.h"
#include "storedata/physical.h"
#include "storedata/registries.h"
#include "support/store_test.h"

namespace ztl::storedata {
namespace {

namespace fx = fixtures;
using testing::errorOf;

class RegistriesTest : public testing::StoreTest {};

TEST(CollectionTest, KeysIgnoreCaseAndAreUnique) {
    cLinks c;
    c.Add(":DATA:LINEL", "A:B", ":DATA:LINEL");
    c.Add("no key", "x");
    c.Add(":DATA:ELINEL", "C:D", ":DATA:ELINEL");
    EXPECT_EQ(c.Count(), 3);
    EXPECT_EQ(c.Item(":data:linel")->ResolutionFile, "A:B");
    EXPECT_EQ(c.Item(2)->LinkFile, "no key");
    auto e = errorOf([&] { c.Add("dup", "y", ":Data:LineL"); });
    EXPECT_EQ(e.number, 457);
    EXPECT_EQ(c.Count(), 3) << "a failed Add leaves the collection unchanged";
    EXPECT_EQ(errorOf([&] { c.Item(0); }).number, 9);
    EXPECT_EQ(errorOf([&] { c.Item(4); }).number, 9);
    EXPECT_EQ(errorOf([&] { c.Item("absent"); }).number, 5);
    EXPECT_EQ(c.Find("absent"), nullptr);
    EXPECT_EQ(c.Find(""), nullptr) << "an empty key names no entry";
    c.Remove(":DATA:linel");
    EXPECT_EQ(c.Count(), 2);
    EXPECT_EQ(c.Item(1)->LinkFile, "no key") << "positions follow insertion order";
    EXPECT_EQ(errorOf([&] { c.Remove("absent"); }).number, 5);
    EXPECT_EQ(errorOf([&] { c.Remove(3); }).number, 9);
    c.Remove(1);
    auto all = c.NewEnum();
    ASSERT_EQ(all.size(), 1u);
    EXPECT_EQ(all[0]->LinkFile, ":DATA:ELINEL");
    // The key of a removed entry can be used again.
    c.Add("again", "z", ":data:linel");
    EXPECT_EQ(c.Count(), 2);
}

TEST(CollectionTest, SystemRecordPaths) {
    cSystem s;
    s.mUNCDrive = "SRV1";
    s.mDirectory = "DATA";
    EXPECT_EQ(s.KRVLINK(), "\\\\SRV1\\KRVLINK\\DATA");
    EXPECT_EQ(s.CATCON(), "\\\\SRV1\\CATCON\\");
    s.mDirectory = "OTHER";
    EXPECT_EQ(s.KRVLINK(), "\\\\SRV1\\KRVLINK\\OTHER") << "derived on every read";
}

TEST(LinkTableTest, RecordsOf160BytesAndAShortLastPiece) {
    std::string table = fx::linkRecord(":DATA:A", "DATA:ACT") + fx::linkRecord(":DATA:B", "DATA:BCT") +
                        fx::linkRecord(":DATA:C", "DATA:CCT");
    ASSERT_EQ(table.size(), 480u);
    cLinks three;
    three.load(table);
    EXPECT_EQ(three.Count(), 3);

    cLinks four;
    four.load(table + std::string(" :DATA:SHORTPIECE  "));  // 20 characters
    ASSERT_EQ(four.Count(), 4);
    EXPECT_EQ(four.Item(4)->LinkFile, ":DATA:SHORTPIECE");
    EXPECT_EQ(four.Item(4)->ResolutionFile, "");
    EXPECT_EQ(four.Item(1)->ResolutionFile, "DATA:ACT");
}

TEST(LinkTableTest, TrimsControlCharactersSkipsEmptyKeepsFirstOfAKey) {
    std::string table;
    table += fx::linkRecord("", "DATA:XCT", ' ');                      // all spaces: skipped
    table += fx::linkRecord("", "DATA:XCT", '\0');                     // all NUL: skipped
    table += fx::linkRecord(":DATA:LINEL", "DATA:LINECT", '\0', 'Z');  // NUL padded
    table += fx::linkRecord(":data:linel", "DATA:OTHER");              // same key, other case
    std::string crlf = fx::linkRecord(":DATA:ELINEL\r\n\t", "DATA:LINECT \r\n");
    table += crlf;
    cLinks c;
    c.load(table);
    ASSERT_EQ(c.Count(), 2);
    EXPECT_EQ(c.Item(1)->LinkFile, ":DATA:LINEL");
    EXPECT_EQ(c.Item(1)->ResolutionFile, "DATA:LINECT");
    EXPECT_EQ(c.Item(":DATA:ELINEL")->ResolutionFile, "DATA:LINECT");
}

TEST_F(RegistriesTest, MissingLinkTableIsCreatedEmpty) {
    ASSERT_FALSE(std::filesystem::exists(tree_->krvlink() / "LINKSFILE"));
    startEngine();
    EXPECT_EQ(links().Count(), 0);
    EXPECT_TRUE(std::filesystem::exists(tree_->krvlink() / "LINKSFILE"));
    EXPECT_EQ(std::filesystem::file_size(tree_->krvlink() / "LINKSFILE"), 0u);
}

TEST_F(RegistriesTest, LinkTableThatCannotBeMadeFailsTheCreation) {
    auto sys = std::make_shared<cSystem>();
    sys->mUNCDrive = "NOSUCHSERVER";
    engine().system = sys;
    auto e = errorOf([] { createRegistries(); });
    EXPECT_EQ(e.number, 76);
    EXPECT_EQ(engine().links, nullptr) << "nothing replaced";
    EXPECT_EQ(engine().openFiles, nullptr);
}

TEST_F(RegistriesTest, LinkTableIsReadFromTheServersLinkShare) {
    tree_->addLink(":DATA:LINEL", "DATA:LINECT");
    tree_->addLink(":DATA:COMODI", "DATA:COMCT");
    startEngine();
    EXPECT_EQ(links().Count(), 2);
    EXPECT_EQ(links().Item(":DATA:COMODI")->ResolutionFile, "DATA:COMCT");
}

TEST_F(RegistriesTest, OpenFileKeyIgnoresCase) {
    tree_->writeFile0("STORE");
    startEngine();
    auto f = OpenFile("FILE0");
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(openFiles().Item("\\\\srv1\\krvlink\\data\\file0"), f);
}

TEST_F(RegistriesTest, RecordZeroCounters) {
    auto img = fx::recordFile("CUST", 40, 10, {}, fx::recordZero(-1, 7, 5));
    tree_->addCatalogue("DATA:CUSTCT", {img, fx::bulkIndex("CUSTX", {{"A", 1}}, {3})}, 2);
    startEngine();
    auto data = OpenFile("\\\\SRV1\\KRVLINK\\DATA\\CUSTDB");
    ASSERT_NE(data, nullptr);
    auto l = logicalFiles().Add("CUST", "L", data, 2, 0, 40, 10, false, "CUST");
    EXPECT_EQ(l->HighUsedRecord(), 7);
    EXPECT_EQ(l->ActiveCount(true), 5);
    // An index file, or no open file: 0 without reading.
    auto i = logicalFiles().Add("CUSTX", "I", data, 2, 0, 40, 10, false);
    EXPECT_EQ(i->HighUsedRecord(), 0);
    EXPECT_EQ(i->ActiveCount(), 0);
    auto none = logicalFiles().Add("GONE", "L", nullptr, 2, 0, 40, 10, false);
    EXPECT_EQ(none->HighUsedRecord(), 0);
    // Position x 512 beyond the 32-bit range: an arithmetic overflow.
    auto far = logicalFiles().Add("FAR", "L", data, 4194304, 0, 40, 10, false);
    EXPECT_EQ(errorOf([&] { far->ActiveCount(); }).number, 6);
}

TEST_F(RegistriesTest, ReleasingTheOpenFileRegistryClosesEveryFileEvenAfterAFailedClose) {
    tree_->writeKrvlinkFile("DATA/A", "a");
    tree_->writeKrvlinkFile("DATA/B", "b");
    tree_->writeKrvlinkFile("DATA/C", "c");
    startEngine();
    auto a = OpenFile("A"), b = OpenFile("B"), c = OpenFile("C");
    ASSERT_TRUE(a && b && c);
    const int fa = a->fd, fb = b->fd, fc = c->fd;
    ::close(fa);  // the first close will fail (EBADF)
    engine().openFiles.reset();
    EXPECT_EQ(::fcntl(fb, F_GETFD), -1);
    EXPECT_EQ(::fcntl(fc, F_GETFD), -1);
    EXPECT_EQ(b->fd, -1);
    EXPECT_EQ(errorOf([&] { ReadFile(b, 1); }).number, 52) << "a closed entry is a bad file number";
}

}  // namespace
}  // namespace ztl::storedata
