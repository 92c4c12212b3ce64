// The key-index walk over a damaged index file. Each input builds a sound B-tree with the
// fixtures' bulk loader (its key length, key count, fan-out and form chosen by the input),
// damages it as the input says, and walks it with every operation: KFind, KNext and KPrev
// to the ends, KLast, KCount, KLength. A walk ends in a result or an engine error, never
// out of bounds and never endless.
//
// Input: byte 1 key length (1-12), byte 2 key count, byte 3 form (bit 1 extended, bit 2
// duplicate keys, bits 3-5 fan-out, bits 6-7 LastRecord off by -1 to +2); then triples
// (offset high, offset low, byte) that overwrite the image, an offset high of 255 cutting
// the image short instead.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/prompter.h"
#include "storedata/engine.h"
#include "storedata/key_index.h"
#include "storedata/logical.h"
#include "tools/storedata_fixtures/store_fixtures.h"

namespace fs = std::filesystem;
namespace fx = ztl::storedata::fixtures;
using namespace ztl::storedata;

namespace {

// Counts the operator's messages instead of printing them.
struct QuietPrompter : ztl::Prompter {
    ztl::MsgResult show(const ztl::MessageBox&) override { return ztl::MsgResult::OK; }
};

constexpr uint32_t kFirstBlock = 2;

// A store server tree of this process with one index file IDX, open in the engine.
struct IndexFile {
    fs::path folder = fs::temp_directory_path() / ("ztl_index_fuzz_" + std::to_string(::getpid()));
    fs::path data;
    QuietPrompter quiet;
    std::shared_ptr<cLogicalFile> file;

    IndexFile() {
        fs::create_directories(folder);
        ::setenv("ZENTREL_SHARES", folder.c_str(), 1);
        fx::StoreServerTree tree(folder, "SRV1", "DATA");
        tree.addCatalogue("DATA:IDXCT", {fx::bulkIndex("IDX", {{"AAA", 1}}, {3})}, kFirstBlock);
        data = tree.systemDir() / "IDXDB";
        auto sys = std::make_shared<cSystem>();
        sys->mUNCDrive = "SRV1";
        sys->mDirectory = "DATA";
        sys->TerminalID = "0";
        engine().system = sys;
        engine().prompter = &quiet;
        createRegistries();
        file = LogicalOpen("IDX");
        if (!file) std::abort();
    }
    ~IndexFile() {
        file.reset();
        resetEngine();
        std::error_code ec;
        fs::remove_all(folder, ec);
    }
};

IndexFile& index() {
    static IndexFile f;
    return f;
}

void walk(const std::shared_ptr<cLogicalFile>& f, std::string key) {
    std::string buff;
    int32_t rec = 0;
    try {
        KFind(f, buff, key, rec);
        for (int i = 0; i < 600 && rec != 0; ++i) KNext(f, buff, key, rec);
    } catch (const ztl::VbError&) {
    }
    try {
        KFind(f, buff, key, rec);
        for (int i = 0; i < 600 && rec != 0; ++i) KPrev(f, buff, key, rec);
    } catch (const ztl::VbError&) {
    }
    try {
        KLast(f, buff, key, rec);
        for (int i = 0; i < 600 && rec != 0; ++i) KPrev(f, buff, key, rec);
    } catch (const ztl::VbError&) {
    }
    try {
        (void)KCount(f);
        (void)KLength(f);
    } catch (const ztl::VbError&) {
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 3) return 0;
    fx::IndexOptions o;
    o.keyLength = 1 + data[0] % 12;
    o.extended = data[2] & 1;
    o.duplicateKeys = data[2] & 2;
    o.fanout = 2 + (data[2] >> 2) % 8;
    std::vector<fx::IndexEntry> entries;
    for (int i = 0; i < data[1]; ++i) {
        char key[16];
        std::snprintf(key, sizeof key, "K%011d", i * 3 % 997);
        entries.push_back({std::string(key, static_cast<size_t>(o.keyLength)), i + 1});
    }
    std::string image;
    try {
        image = fx::bulkIndex("IDX", entries, o).bytes;
    } catch (const std::exception&) {
        return 0;  // options the loader cannot lay out: no tree to damage
    }

    for (size_t at = 3; at + 3 <= size; at += 3) {
        const size_t offset = static_cast<size_t>(data[at]) << 8 | data[at + 1];
        if (data[at] == 255)
            image.resize(offset % (image.size() + 1));
        else if (!image.empty())
            image[offset % image.size()] = static_cast<char>(data[at + 2]);
    }

    IndexFile& idx = index();
    std::ofstream(idx.data, std::ios::binary | std::ios::trunc)
        << std::string(kFirstBlock * fx::kBlock, '\0') << image;
    cLogicalFile& f = *idx.file;
    f.RecordLength = o.extended ? kExtendedNodeSize : kBasicNodeSize;
    f.IsamPlus = o.extended;
    f.LastRecord =
        static_cast<int32_t>(image.size() / static_cast<size_t>(f.RecordLength)) - 2 + (data[2] >> 6);

    walk(idx.file, entries.empty() ? std::string("K") : entries[entries.size() / 2].key);
    walk(idx.file, std::string());
    return 0;
}
