// Key index on trees written by the fixtures' bulk loader, and on damaged ones.
#include <algorithm>
#include <fstream>
#include <functional>
#include <random>

#include <gtest/gtest.h>

#include "storedata/engine.h"
#include "storedata/key_index.h"
#include "storedata/logical.h"
#include "support/store_test.h"

namespace ztl::storedata {
namespace {

namespace fs = std::filesystem;
namespace fx = fixtures;
using testing::bytesOf;
using testing::errorOf;
using testing::fileBytes;

class KeyIndexTest : public testing::StoreTest {
  protected:
    // Writes the index under the name NAME in DATA:IDXCT (block 2 on) and opens it.
    std::shared_ptr<cLogicalFile> index(const std::vector<fx::IndexEntry>& entries, const fx::IndexOptions& o,
                                        const std::string& name = "IDX") {
        images_ = tree_->addCatalogue("DATA:IDXCT", {fx::bulkIndex(name, entries, o)}, 2);
        startEngine();
        engine().prompter = &prompter_;
        auto f = LogicalOpen(name);
        EXPECT_NE(f, nullptr);
        return f;
    }
    // Node n's bytes in the data file, for damaging.
    size_t nodeOffset(size_t n, size_t nodeSize = 512) const {
        return static_cast<size_t>(images_[0].entry.position) * 512 + n * nodeSize;
    }
    void patch(size_t offset, const std::string& bytes) {
        std::string data = fileBytes(tree_->systemDir() / "IDXDB");
        data.replace(offset, bytes.size(), bytes);
        tree_->writeKrvlinkFile("DATA/IDXDB", data);
    }
    // All keys from KFind("") and KNext, as (key, record).
    std::vector<std::pair<std::string, int32_t>> scan(const std::shared_ptr<cLogicalFile>& f) {
        std::vector<std::pair<std::string, int32_t>> out;
        std::string buff, key;
        int32_t rec = 0;
        KFind(f, buff, key, rec);
        while (rec != 0) {
            out.emplace_back(key, rec < 0 ? -rec : rec);
            KNext(f, buff, key, rec);
            if (out.size() > 100000) break;
        }
        return out;
    }

    std::vector<fx::LogicalFileImage> images_;
    RecordingPrompter prompter_;
};

std::vector<fx::IndexEntry> numbered(int n, int keyLength = 6) {
    std::vector<fx::IndexEntry> v;
    for (int i = 1; i <= n; ++i) {
        char k[32];
        std::snprintf(k, sizeof k, "K%0*d", keyLength - 1, i * 2);  // even numbers: odd ones fall between
        v.push_back({k, 1000 + i});
    }
    return v;
}

TEST_F(KeyIndexTest, InitFileWritesAnEmptyIndex) {
    tree_->writeKrvlinkFile("DATA/NEWCT", fx::catalogueEntry({"NEW", 0, 1, 512, 'I', 20, '\0'}));
    tree_->writeKrvlinkFile("DATA/NEWDB", std::string(512 * 22, 'g'));
    tree_->addLink(":DATA:NEW", "DATA:NEWCT");
    startEngine();
    auto f = LogicalOpen("NEW");
    ASSERT_NE(f, nullptr);
    InitFile(f, 10, false, 80);
    std::string data = fileBytes(tree_->systemDir() / "NEWDB");
    EXPECT_EQ(bytesOf(data.substr(512, 14)), (std::vector<int>{0, 14, 0, 36, 0, 20, 0, 2, 0, 1, 0, 0, 0, 0}));
    EXPECT_EQ(data.substr(512 + 14, 498), std::string(498, '\0'));
    EXPECT_EQ(bytesOf(data.substr(1024, 4)), (std::vector<int>{0, 1, 255, 255}));
    EXPECT_EQ(data.substr(1028, 508), std::string(508, '\xFF'));
    EXPECT_EQ(data.substr(1536, 10), std::string(10, 'g')) << "node 2 on is untouched";

    EXPECT_EQ(KCount(f), 0);
    EXPECT_EQ(KLength(f), 10);
    std::string buff, key = "ANY";
    int32_t rec = 5;
    KFind(f, buff, key, rec);
    EXPECT_EQ(rec, 0);
    EXPECT_EQ(key, std::string(10, '\xFF'));
    KLast(f, buff, key, rec);
    EXPECT_EQ(rec, 0) << "an empty index has no last key";

    InitFile(f, 10, true, 100);
    data = fileBytes(tree_->systemDir() / "NEWDB");
    EXPECT_EQ(bytesOf(data.substr(512 + 10, 4)), (std::vector<int>{0, 36, 255, 255}))
        << "load count, duplicates";
}

TEST_F(KeyIndexTest, AnIndexInitialisedWithTheDefaultKeyLengthIsEmpty) {
    tree_->writeKrvlinkFile("DATA/NEWCT", fx::catalogueEntry({"NEW", 0, 1, 512, 'I', 20, '\0'}));
    tree_->writeKrvlinkFile("DATA/NEWDB", std::string(512 * 22, 'g'));
    tree_->addLink(":DATA:NEW", "DATA:NEWCT");
    startEngine();
    auto f = LogicalOpen("NEW");
    ASSERT_NE(f, nullptr);
    InitFile(f);  // key length 0: entry length 4, the pointer alone
    EXPECT_EQ(KLength(f), 0);
    EXPECT_EQ(KCount(f), 0);
    std::string buff, key = "ANY";
    int32_t rec = 5;
    KFind(f, buff, key, rec);
    EXPECT_EQ(rec, 0);
    EXPECT_EQ(key, "");
    KNext(f, buff, key, rec);
    EXPECT_EQ(rec, 0);
    KLast(f, buff, key, rec);
    EXPECT_EQ(rec, 0);
}

TEST_F(KeyIndexTest, ExactAndNextGreaterSearch) {
    auto f = index({{"AAA", 7}, {"CCC", 9}}, {3});
    std::string buff, key = "AAA";
    int32_t rec = 0;
    KFind(f, buff, key, rec);
    EXPECT_EQ(rec, 7);
    EXPECT_EQ(key, "AAA");
    EXPECT_GE(buff.size(), 32u + 512u);
    EXPECT_EQ(buff[16], 1) << "cursor entry";
    EXPECT_EQ(buff[17], 1) << "cursor depth";
    KNext(f, buff, key, rec);
    EXPECT_EQ(key, "CCC");
    EXPECT_EQ(rec, 9);
    KNext(f, buff, key, rec);
    EXPECT_EQ(rec, 0) << "the closing entry";
    EXPECT_EQ(key, std::string(3, '\xFF'));
    KNext(f, buff, key, rec);
    EXPECT_EQ(rec, 0) << "past the end stays at the end";

    key = "BBB";
    KFind(f, buff, key, rec);
    EXPECT_EQ(rec, -9);
    EXPECT_EQ(key, "CCC");

    key = "AA";
    KFind(f, buff, key, rec);
    EXPECT_EQ(rec, -7) << "AA + NUL is below AAA";
    EXPECT_EQ(key, "AAA");
}

TEST_F(KeyIndexTest, KeyIsCutToTheKeyLength) {
    auto f = index({{"AAA", 7}, {"CCC", 9}}, {3});
    std::string buff, key = "AAAZZZ";
    int32_t rec = 0;
    KFind(f, buff, key, rec);
    EXPECT_EQ(key, "AAA");
    EXPECT_EQ(rec, 7);
    key = "DDD";
    KFind(f, buff, key, rec);
    EXPECT_EQ(rec, 0) << "beyond the last real key: the closing entry";
    EXPECT_EQ(key, std::string(3, '\xFF'));
    key = std::string(3, '\xFF');
    KFind(f, buff, key, rec);
    EXPECT_EQ(rec, 0);
}

TEST_F(KeyIndexTest, KPrevFromTheFirstKeyKeepsTheCursor) {
    auto f = index({{"AAA", 7}, {"CCC", 9}}, {3});
    std::string buff, key = "AAA";
    int32_t rec = 0;
    KFind(f, buff, key, rec);
    const std::string before = buff;
    KPrev(f, buff, key, rec);
    EXPECT_EQ(rec, 0);
    EXPECT_EQ(buff, before);
    key = "CCC";
    KFind(f, buff, key, rec);
    KPrev(f, buff, key, rec);
    EXPECT_EQ(key, "AAA");
    EXPECT_EQ(rec, 7);
}

TEST_F(KeyIndexTest, KLastGivesTheHighestRealKey) {
    auto f = index({{"AAA", 7}, {"CCC", 9}, {"BBB", 8}}, {3});
    std::string buff, key;
    int32_t rec = 0;
    KLast(f, buff, key, rec);
    EXPECT_EQ(key, "CCC");
    EXPECT_EQ(rec, 9);
    KPrev(f, buff, key, rec);
    EXPECT_EQ(key, "BBB");
    KNext(f, buff, key, rec);
    EXPECT_EQ(key, "CCC");
    KNext(f, buff, key, rec);
    EXPECT_EQ(rec, 0);
}

TEST_F(KeyIndexTest, MultiLevelTreeFromTheBulkLoader) {
    const fx::IndexOptions o{6, false, 3};
    auto entries = numbered(100);
    ASSERT_EQ(fx::bulkIndexDepth(entries.size(), o), 5);
    std::shuffle(entries.begin(), entries.end(), std::mt19937(7));
    auto f = index(entries, o);
    EXPECT_EQ(KCount(f), 100);
    EXPECT_EQ(KLength(f), 6);

    auto all = scan(f);
    ASSERT_EQ(all.size(), 100u);
    for (int i = 0; i < 100; ++i) {
        char k[16];
        std::snprintf(k, sizeof k, "K%05d", (i + 1) * 2);
        EXPECT_EQ(all[static_cast<size_t>(i)].first, k);
        EXPECT_EQ(all[static_cast<size_t>(i)].second, 1001 + i);
    }
    // Every key found exactly; every key between two found as the next greater.
    std::string buff, key;
    int32_t rec = 0;
    for (int i = 1; i <= 100; ++i) {
        char k[16];
        std::snprintf(k, sizeof k, "K%05d", i * 2);
        key = k;
        KFind(f, buff, key, rec);
        EXPECT_EQ(rec, 1000 + i) << k;
        EXPECT_EQ(buff[17], 5) << "leaves at depth 5";
        std::snprintf(k, sizeof k, "K%05d", i * 2 - 1);
        key = k;
        KFind(f, buff, key, rec);
        EXPECT_EQ(rec, -(1000 + i)) << k;
    }
    // Backwards from the last key, climbing and descending at every leaf boundary.
    KLast(f, buff, key, rec);
    std::vector<int32_t> back;
    while (rec != 0 && back.size() < 200) {
        back.push_back(rec);
        KPrev(f, buff, key, rec);
    }
    ASSERT_EQ(back.size(), 100u);
    for (int i = 0; i < 100; ++i) EXPECT_EQ(back[static_cast<size_t>(i)], 1100 - i);
    // Forwards again from the first key after stepping back to it.
    KNext(f, buff, key, rec);
    EXPECT_EQ(rec, 1002);
}

TEST_F(KeyIndexTest, CursorPathInTheBuffer) {
    const fx::IndexOptions o{6, false, 3};
    auto f = index(numbered(20), o);  // 21 entries: 7 leaves, 3 internal, 1 root: depth 3
    std::string buff, key = "K00002";
    int32_t rec = 0;
    KFind(f, buff, key, rec);
    EXPECT_EQ(rec, 1001);
    EXPECT_EQ(buff[17], 3);
    EXPECT_EQ(bytesOf(buff.substr(18, 6)), (std::vector<int>{0, 11, 0, 8, 0, 1}))
        << "root 11, node 8, leaf 1";
    EXPECT_EQ(buff.substr(0, 16), fileBytes(tree_->systemDir() / "IDXDB").substr(nodeOffset(0), 16));
    // Stepping across a leaf boundary replaces the leaf's path entry.
    KNext(f, buff, key, rec);
    KNext(f, buff, key, rec);
    KNext(f, buff, key, rec);
    EXPECT_EQ(key, "K00008");
    EXPECT_EQ(bytesOf(buff.substr(22, 2)), (std::vector<int>{0, 2}));
    EXPECT_EQ(buff[16], 1);
}

TEST_F(KeyIndexTest, ExtendedFormWithDuplicates) {
    fx::IndexOptions o{5, true, 4};
    o.extended = true;
    std::vector<fx::IndexEntry> entries = {{"APPLE", 1}, {"APPLE", 2}, {"BERRY", 3},
                                           {"CHERR", 4}, {"DATES", 5}, {"ELDER", 6},
                                           {"FIGS", 7},  {"GRAPE", 8}, {"HUCKL", 9}};
    auto f = index(entries, o);
    EXPECT_TRUE(f->IsamPlus);
    EXPECT_EQ(f->RecordLength, 2048);
    EXPECT_EQ(KCount(f), 9);
    auto all = scan(f);
    ASSERT_EQ(all.size(), 9u);
    EXPECT_EQ(all[0], (std::pair<std::string, int32_t>{"APPLE", 1}));
    EXPECT_EQ(all[1], (std::pair<std::string, int32_t>{"APPLE", 2}));
    EXPECT_EQ(all[6].first, std::string("FIGS\0", 5));
    std::string buff, key = "C";
    int32_t rec = 0;
    KFind(f, buff, key, rec);
    EXPECT_EQ(rec, -4);
    EXPECT_EQ(key, "CHERR") << "key length = entry length - 6 with duplicates in the extended form";
    EXPECT_EQ(KLength(f), 7) << "KLength is the entry length - 4 in every form";
    EXPECT_EQ(errorOf([&] { KPrev(f, buff, key, rec); }).number, kIndexDamaged) << "basic form only";
}

// Node numbers above 65535 use the high bytes: the root (header byte 19), a leaf link (node
// byte 7) and a child pointer. The nodes are moved to 70000 and 70001 of a sparse file.
TEST_F(KeyIndexTest, ExtendedFormWith24BitNodeNumbers) {
    fx::IndexOptions o{5, false, 4};
    o.extended = true;
    std::vector<fx::IndexEntry> entries;
    for (int i = 1; i <= 9; ++i) entries.push_back({"KEY" + std::to_string(i), i});
    fx::LogicalFileImage img = fx::bulkIndex("IDX", entries, o);  // leaves 1-3, root 4
    const size_t N = 2048;
    std::string root = img.bytes.substr(4 * N, N), leaf3 = img.bytes.substr(3 * N, N);
    fx::put(root, 9 + 2 * 9 + 5, fx::be(70001, 4));            // entry 3 pointer: leaf 3 is now node 70001
    fx::put(img.bytes, 9, fx::be(70000 & 0xFFFF, 2));          // root low bytes
    fx::put(img.bytes, 19, fx::be(70000 >> 16, 1));            // root high byte
    fx::put(img.bytes, 2 * N + 3, fx::be(70001 & 0xFFFF, 2));  // leaf 2 -> 70001
    fx::put(img.bytes, 2 * N + 7, fx::be(70001 >> 16, 1));
    img.entry.lastRecord = 70001;
    img.bytes.resize(5 * N);
    images_ = tree_->addCatalogue("DATA:IDXCT", {img}, 2);
    {
        std::fstream data(tree_->systemDir() / "IDXDB", std::ios::in | std::ios::out | std::ios::binary);
        data.seekp(static_cast<std::streamoff>(2 * 512 + 70000 * N));
        data.write(root.data(), static_cast<std::streamsize>(N));
        data.write(leaf3.data(), static_cast<std::streamsize>(N));
    }
    startEngine();
    engine().prompter = &prompter_;
    auto f = LogicalOpen("IDX");
    ASSERT_TRUE(f && f->IsamPlus);
    EXPECT_EQ(KCount(f), 9);
    auto all = scan(f);
    ASSERT_EQ(all.size(), 9u);
    EXPECT_EQ(all[8].second, 9);
    std::string buff, key = "KEY9";
    int32_t rec = 0;
    KFind(f, buff, key, rec);
    EXPECT_EQ(rec, 9);
    EXPECT_TRUE(prompter_.shown.empty());
}

TEST_F(KeyIndexTest, DuplicateKeysInTheBasicForm) {
    fx::IndexOptions o{3, true, 2};
    auto f = index({{"AAA", 1}, {"AAA", 2}, {"AAA", 3}, {"BBB", 4}}, o);
    EXPECT_EQ(KCount(f), 4);
    auto all = scan(f);
    ASSERT_EQ(all.size(), 4u);
    EXPECT_EQ(all[2], (std::pair<std::string, int32_t>{"AAA", 3}))
        << "equal keys across leaves are no damage";
}

TEST_F(KeyIndexTest, TreeDeeperThanSevenLevels) {
    const fx::IndexOptions o{4, false, 2};
    auto entries = numbered(200, 4);
    ASSERT_GT(fx::bulkIndexDepth(entries.size(), o), 7);
    auto f = index(entries, o);
    std::string buff, key = "K002";
    int32_t rec = 0;
    auto e = errorOf([&] { KFind(f, buff, key, rec); });
    EXPECT_EQ(e.number, kIndexDamaged);
    EXPECT_EQ(e.source, "KFind");
    EXPECT_NE(e.description.find("deeper than 7 levels"), std::string::npos);
}

// ---- damaged indexes -------------------------------------------------------------------------

TEST_F(KeyIndexTest, NodeNumberOutOfRangeIsShownToTheOperator) {
    auto f = index({{"AAA", 7}, {"CCC", 9}}, {3});
    patch(nodeOffset(0) + 8, fx::be(40, 2));  // root 40 > LastRecord 1
    std::string buff, key = "AAA";
    int32_t rec = 5;
    KFind(f, buff, key, rec);
    EXPECT_EQ(rec, 0);
    ASSERT_EQ(prompter_.shown.size(), 1u);
    EXPECT_EQ(prompter_.shown[0].text, "Index is returning information out of Range.  File: IDX LastRec: 1");
    EXPECT_EQ(prompter_.shown[0].icon, MsgIcon::Critical);
    EXPECT_EQ(KCount(f), 0);
}

TEST_F(KeyIndexTest, InternalPointerOutOfRange) {
    auto f = index(numbered(20), {6, false, 3});
    // Root node 11, entry 1 pointer: bytes 5 + 6 .. of the node.
    patch(nodeOffset(11) + 4 + 6, fx::be(-5, 4));
    std::string buff, key = "K00002";
    int32_t rec = 1;
    KFind(f, buff, key, rec);
    EXPECT_EQ(rec, 0);
    EXPECT_EQ(prompter_.shown.size(), 1u);
}

TEST_F(KeyIndexTest, ALeafPointerWithoutANegativeIsDamage) {
    auto f = index({{"AAA", 7}, {"CCC", 9}}, {3});
    // Leaf 1, entry 2 (CCC): its pointer is the last 4 of the entry's 7 bytes.
    patch(nodeOffset(1) + 4 + 7 + 3, fx::be(INT32_MIN, 4));
    std::string buff, key = "CCC";
    int32_t rec = 0;
    KFind(f, buff, key, rec);  // the key itself: the pointer is given as it stands
    EXPECT_EQ(rec, INT32_MIN);
    key = "BBB";  // a key before it: found as the next key, told by the pointer's negative
    auto e = errorOf([&] { KFind(f, buff, key, rec); });
    EXPECT_EQ(e.number, kIndexDamaged);
    EXPECT_NE(e.description.find("record pointer -2147483648"), std::string::npos) << e.description;
}

TEST_F(KeyIndexTest, EntryLengthZero) {
    auto f = index({{"AAA", 7}}, {3});
    patch(nodeOffset(0), fx::be(0, 2));
    std::string buff, key = "AAA";
    int32_t rec = 0;
    for (auto op : {&KFind, &KLast}) {
        auto e = errorOf([&] { op(f, buff, key, rec, false); });
        EXPECT_EQ(e.number, kIndexDamaged);
        EXPECT_NE(e.description.find("entry length 0"), std::string::npos) << e.description;
    }
    EXPECT_EQ(errorOf([&] { KCount(f); }).number, kIndexDamaged);
    patch(nodeOffset(0), fx::be(600, 2));
    EXPECT_EQ(errorOf([&] { KFind(f, buff, key, rec); }).number, kIndexDamaged) << "entry longer than a node";
}

// Whatever a damaged header holds, every operation ends in a result or the engine's
// "Index is damaged" error, never in another exception.
TEST_F(KeyIndexTest, ADamagedHeaderIsAnIndexDamagedError) {
    const struct {
        size_t at;
        std::string bytes;
        const char* what;
        bool klastDamaged;
    } damages[] = {
        {32, fx::be(0xFFFF, 2) + fx::be(1, 2), "bytes 33-36: a huge count, a link", true},
        {32, fx::be(0, 2) + fx::be(65535, 2), "bytes 35-36: a last-leaf link", true},
        {34, fx::be(7, 2), "bytes 35-36: a next link", true},
        {0, fx::be(3, 2), "entry length 3, shorter than a pointer", true},
        {0, fx::be(509, 2), "entry length 509, longer than a node", true},
        {12, fx::be(65535, 2) + "09", "the extended marker and duplicates on a basic index", false},
    };
    for (const auto& d : damages) {
        auto f = index(numbered(40), {6, false, 3});
        patch(nodeOffset(0) + d.at, d.bytes);
        std::string buff, key = "K00010";
        int32_t rec = 0;
        auto outcome = [&](const std::function<void()>& op) {
            try {
                op();
                return 0L;
            } catch (const VbError& e) {
                return e.number;
            } catch (const std::exception& e) {
                ADD_FAILURE() << d.what << ": " << e.what();
                return 1L;
            }
        };
        EXPECT_EQ(outcome([&] { KLast(f, buff, key, rec); }), d.klastDamaged ? kIndexDamaged : 0) << d.what;
        for (auto op : {&KFind, &KNext, &KPrev, &KLast}) {
            const long n = outcome([&] { op(f, buff, key, rec, false); });
            EXPECT_TRUE(n == 0 || n == kIndexDamaged) << d.what << ": error " << n;
        }
        const long n = outcome([&] { (void)KCount(f); });
        EXPECT_TRUE(n == 0 || n == kIndexDamaged) << d.what << ": error " << n;
        resetEngine();
    }
}

TEST_F(KeyIndexTest, EntryCountBeyondTheNode) {
    auto f = index({{"AAA", 7}}, {3});
    patch(nodeOffset(1), fx::be(65535, 2));
    std::string buff, key = "AAA";
    int32_t rec = 0;
    EXPECT_EQ(errorOf([&] { KFind(f, buff, key, rec); }).number, kIndexDamaged);
}

TEST_F(KeyIndexTest, CycleInTheLeafChain) {
    auto f = index(numbered(30), {6, false, 3});  // leaves 1..11
    patch(nodeOffset(5) + 2, fx::be(2, 2));       // leaf 5 links back to leaf 2
    auto e = errorOf([&] { scan(f); });
    EXPECT_EQ(e.number, kIndexDamaged);
    EXPECT_EQ(e.source, "KNext");
    EXPECT_NE(e.description.find("goes back"), std::string::npos);
    EXPECT_EQ(errorOf([&] { KCount(f); }).number, kIndexDamaged);
}

TEST_F(KeyIndexTest, LeafLinkedToItselfWithEqualKeys) {
    fx::IndexOptions o{3, true, 2};
    auto f = index({{"AAA", 1}, {"AAA", 2}, {"BBB", 3}}, o);  // leaf 1: AAA AAA -> leaf 2
    patch(nodeOffset(1) + 2, fx::be(1, 2));
    auto e = errorOf([&] { scan(f); });
    EXPECT_EQ(e.number, kIndexDamaged);
    EXPECT_EQ(errorOf([&] { KCount(f); }).number, kIndexDamaged);
}

TEST_F(KeyIndexTest, CycleThroughInternalNodesEndsAtTheDepthLimit) {
    auto f = index(numbered(20), {6, false, 3});
    // Root 11: point its first entry back at the root itself.
    patch(nodeOffset(11) + 4 + 6, fx::be(11, 4));
    std::string buff, key = "K00002";
    int32_t rec = 0;
    EXPECT_EQ(errorOf([&] { KFind(f, buff, key, rec); }).number, kIndexDamaged);
    KLast(f, buff, key, rec);  // along the last entries, which are sound
    EXPECT_EQ(rec, 1020);
}

TEST_F(KeyIndexTest, KNextWithoutACursor) {
    auto f = index({{"AAA", 7}}, {3});
    std::string buff, key;
    int32_t rec = 0;
    EXPECT_EQ(errorOf([&] { KNext(f, buff, key, rec); }).number, kIndexDamaged);
    EXPECT_EQ(errorOf([&] { KNext(nullptr, buff, key, rec); }).number, -10);
}

// A caller's buffer is not trusted either: random cursors and nodes in Buff end in a result
// or an engine error.
TEST_F(KeyIndexTest, GarbageBuffersNeverCrash) {
    auto f = index(numbered(60), {6, false, 3});
    std::string good, key = "K00010";
    int32_t rec = 0;
    KFind(f, good, key, rec);
    std::mt19937 rng(5);
    for (int round = 0; round < 2000; ++round) {
        std::string buff = good;
        for (int flips = 0; flips < 1 + round % 6; ++flips) {
            size_t at = round % 3 == 0 ? 16 + rng() % 20 : rng() % buff.size();
            buff[at] = static_cast<char>(rng());
        }
        try {
            if (round % 2)
                KNext(f, buff, key, rec);
            else
                KPrev(f, buff, key, rec);
        } catch (const VbError&) {
        }
    }
    SUCCEED();
}

TEST_F(KeyIndexTest, GarbageNodesNeverCrashOrHang) {
    auto f = index(numbered(60), {6, false, 3});
    const std::string good = fileBytes(tree_->systemDir() / "IDXDB");
    std::mt19937 rng(99);
    for (int round = 0; round < 300; ++round) {
        std::string data = good;
        for (int flips = 0; flips < 1 + round % 8; ++flips)
            data[nodeOffset(0) + rng() % (data.size() - nodeOffset(0))] = static_cast<char>(rng());
        tree_->writeKrvlinkFile("DATA/IDXDB", data);
        try {
            scan(f);
        } catch (const VbError&) {
        }
        try {
            (void)KCount(f);
        } catch (const VbError&) {
        }
        try {
            std::string buff, key;
            int32_t rec = 0;
            KLast(f, buff, key, rec);
            for (int i = 0; i < 300 && rec != 0; ++i) KPrev(f, buff, key, rec);
        } catch (const VbError&) {
        }
    }
    SUCCEED();
}

}  // namespace
}  // namespace ztl::storedata
