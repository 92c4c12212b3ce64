#include "store_fixtures.h"

#include <algorithm>
#include <fstream>
#include <stdexcept>

namespace fs = std::filesystem;

namespace ztl::storedata::fixtures {
namespace {

constexpr std::string_view kAlphabet = " ,/.0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ";
constexpr char kFiller = '\xEE';  // bytes outside every logical file: garbage to a misplaced read

}  // namespace

std::string be(int64_t value, int width) {
    std::string out(static_cast<size_t>(width), '\0');
    uint64_t v = static_cast<uint64_t>(value);
    for (int i = width - 1; i >= 0; --i) {
        out[static_cast<size_t>(i)] = static_cast<char>(v & 0xFF);
        v >>= 8;
    }
    return out;
}

void put(std::string& rec, size_t pos, std::string_view bytes) {
    if (pos < 1 || pos - 1 + bytes.size() > rec.size())
        throw std::out_of_range("fixtures::put past the record");
    rec.replace(pos - 1, bytes.size(), bytes);
}

std::string padded(std::string_view text, size_t width, char pad) {
    std::string s(text.substr(0, std::min(text.size(), width)));
    s.resize(width, pad);
    return s;
}

std::string compress(std::string_view text) {
    std::string s(text);
    while (s.size() % 3) s += ' ';
    std::string out;
    auto idx = [](char c) -> int64_t {
        size_t p = kAlphabet.find(c);
        return p == std::string_view::npos ? 0 : static_cast<int64_t>(p);
    };
    for (size_t i = 0; i < s.size(); i += 3)
        out += be(idx(s[i]) * 1600 + idx(s[i + 1]) * 40 + idx(s[i + 2]), 2);
    return out;
}

std::string linkRecord(std::string_view linkFile, std::string_view resolutionFile, char pad, char filler) {
    std::string r;
    r += filler;
    r += padded(linkFile, 79, pad);
    r += filler;
    r += padded(resolutionFile, 79, pad);
    return r;
}

std::string catalogueEntry(const CatalogueEntry& e) {
    std::string r(32, '\0');
    put(r, 1, padded(e.name, 10, e.pad));
    if (e.flags != 0) put(r, 7, be(e.flags, 2));
    put(r, 11, be(e.position, 3));
    put(r, 14, be(e.recordLength, 2));
    r[15] = e.type;
    put(r, 17, be(e.lastRecord, 4));
    return r;
}

std::string recordZero(int32_t freeHead, int32_t highUsed, int32_t active, int16_t marker) {
    return be(marker, 2) + be(freeHead, 4) + be(highUsed, 4) + be(active, 4) + std::string(2, '\0');
}

uint32_t LogicalFileImage::blocks() const {
    size_t records = static_cast<size_t>(std::max<int32_t>(0, entry.lastRecord) + 1) * entry.recordLength;
    size_t bytesUsed = std::max(bytes.size(), records);
    return static_cast<uint32_t>(std::max<size_t>(1, (bytesUsed + kBlock - 1) / kBlock));
}

std::string activeRecord(size_t recordLength, const std::map<size_t, std::string>& fields, int16_t marker) {
    std::string r(recordLength, '\0');
    put(r, 1, be(marker, 2));
    for (const auto& [pos, bytes] : fields) put(r, pos, bytes);
    return r;
}

LogicalFileImage recordFile(std::string name, uint16_t recordLength, int32_t lastRecord,
                            const std::map<int32_t, std::string>& records, std::string zeroHead) {
    LogicalFileImage img;
    img.entry.name = std::move(name);
    img.entry.type = 'L';
    img.entry.recordLength = recordLength;
    img.entry.lastRecord = lastRecord;
    img.bytes.assign(static_cast<size_t>(lastRecord + 1) * recordLength, '\0');
    int32_t high = 0, active = 0;
    for (const auto& [n, content] : records) {
        if (n < 1 || n > lastRecord) throw std::out_of_range("fixtures::recordFile record number");
        std::string rec = padded(content, recordLength, '\0');
        img.bytes.replace(static_cast<size_t>(n) * recordLength, recordLength, rec);
        high = std::max(high, n);
        if (rec.size() >= 2) {
            auto hi = static_cast<unsigned char>(rec[0]), lo = static_cast<unsigned char>(rec[1]);
            if (static_cast<int16_t>((hi << 8) | lo) > 0) ++active;
        }
    }
    std::string zero = zeroHead.empty() ? recordZero(-1, high, active) : zeroHead;
    img.bytes.replace(0, std::min(zero.size(), img.bytes.size()),
                      zero.substr(0, std::min(zero.size(), img.bytes.size())));
    return img;
}

// ---- bulk loader --------------------------------------------------------------------------

namespace {

int nodeSizeOf(const IndexOptions& o) {
    return o.extended ? 2048 : static_cast<int>(kBlock);
}
int nodeHeaderOf(const IndexOptions& o) {
    return o.extended ? 8 : 4;
}
int entryLengthOf(const IndexOptions& o) {
    return o.keyLength + 4 + (o.extended && o.duplicateKeys ? 2 : 0);
}

int effectiveFanout(const IndexOptions& o) {
    const int entryLength = entryLengthOf(o);
    const int capacity = (nodeSizeOf(o) - nodeHeaderOf(o)) / entryLength;
    if (capacity < 2) throw std::invalid_argument("fixtures::bulkIndex: key too long for a 512-byte node");
    int f = o.fanout <= 0 ? capacity : std::min(o.fanout, capacity);
    return std::max(f, 2);
}

struct Node {
    std::vector<IndexEntry> entries;
    int32_t next = 0;
};

}  // namespace

int bulkIndexDepth(size_t n, const IndexOptions& options) {
    const size_t f = static_cast<size_t>(effectiveFanout(options));
    size_t nodes = (n + 1 + f - 1) / f;  // + the closing entry
    int depth = 1;
    while (nodes > 1) {
        nodes = (nodes + f - 1) / f;
        ++depth;
    }
    return depth;
}

LogicalFileImage bulkIndex(std::string name, std::vector<IndexEntry> entries, const IndexOptions& o) {
    const size_t keyLength = static_cast<size_t>(o.keyLength);
    const size_t entryLength = static_cast<size_t>(entryLengthOf(o));
    const size_t nodeSize = static_cast<size_t>(nodeSizeOf(o));
    const size_t nodeHeader = static_cast<size_t>(nodeHeaderOf(o));
    const int32_t lastLeafLink = o.extended ? 16777215 : 65535;
    const size_t f = static_cast<size_t>(effectiveFanout(o));
    for (auto& e : entries) e.key = padded(e.key, keyLength, '\0');
    std::stable_sort(entries.begin(), entries.end(), [](const IndexEntry& a, const IndexEntry& b) {
        return std::lexicographical_compare(
            a.key.begin(), a.key.end(), b.key.begin(), b.key.end(),
            [](char x, char y) { return static_cast<unsigned char>(x) < static_cast<unsigned char>(y); });
    });
    entries.push_back({std::string(keyLength, '\xFF'), -1});  // the closing entry

    std::vector<Node> nodes(1);  // node 0: the header
    // Leaves, numbered from 1 and chained left to right.
    std::vector<int32_t> level;
    for (size_t i = 0; i < entries.size(); i += f) {
        Node n;
        n.entries.assign(entries.begin() + static_cast<long>(i),
                         entries.begin() + static_cast<long>(std::min(entries.size(), i + f)));
        level.push_back(static_cast<int32_t>(nodes.size()));
        nodes.push_back(std::move(n));
    }
    for (size_t i = 0; i < level.size(); ++i)
        nodes[static_cast<size_t>(level[i])].next = i + 1 < level.size() ? level[i + 1] : lastLeafLink;
    // Internal levels: one entry per child, carrying the child's highest key.
    while (level.size() > 1) {
        std::vector<int32_t> up;
        for (size_t i = 0; i < level.size(); i += f) {
            Node n;
            for (size_t j = i; j < std::min(level.size(), i + f); ++j)
                n.entries.push_back({nodes[static_cast<size_t>(level[j])].entries.back().key, level[j]});
            n.next = 0;
            up.push_back(static_cast<int32_t>(nodes.size()));
            nodes.push_back(std::move(n));
        }
        level = std::move(up);
    }
    const int32_t root = level.front();
    const int32_t lastNode = static_cast<int32_t>(nodes.size()) - 1 + o.spareNodes;
    if (!o.extended && lastNode > 65534)
        throw std::length_error("fixtures::bulkIndex: more nodes than a basic-form index holds");

    LogicalFileImage img;
    img.entry.name = std::move(name);
    img.entry.type = 'I';
    img.entry.recordLength = static_cast<uint16_t>(nodeSize);
    img.entry.lastRecord = lastNode;
    img.bytes.assign(static_cast<size_t>(lastNode + 1) * nodeSize, '\0');

    // 16- or 24-bit numbers of the header: low two bytes at `low`, high byte at `high`.
    auto wide = [&](std::string& h, size_t low, size_t high, int64_t v) {
        put(h, low, be(v & 0xFFFF, 2));
        if (o.extended) put(h, high, be((v >> 16) & 0xFF, 1));
    };
    std::string header(nodeSize, '\0');
    put(header, 1, be(static_cast<int64_t>(entryLength), 2));
    put(header, 3, be(static_cast<int64_t>((nodeSize - nodeHeader) / entryLength), 2));
    wide(header, 5, 17, lastNode);
    wide(header, 7, 18, static_cast<int64_t>(nodes.size()));
    wide(header, 9, 19, root);
    put(header, 11, be(static_cast<int64_t>(f), 2));
    put(header, 13, be(o.duplicateKeys ? 65535 : 0, 2));
    if (o.extended) put(header, 15, "09");
    img.bytes.replace(0, nodeSize, header);

    for (size_t n = 1; n < nodes.size(); ++n) {
        std::string node(nodeSize, '\0');
        put(node, 1, be(static_cast<int64_t>(nodes[n].entries.size()), 2));
        put(node, 3, be(nodes[n].next & 0xFFFF, 2));
        if (o.extended) put(node, 7, be((nodes[n].next >> 16) & 0xFF, 1));
        size_t at = nodeHeader + 1;
        for (const auto& e : nodes[n].entries) {
            put(node, at, e.key);
            put(node, at + entryLength - 4, be(e.record, 4));
            at += entryLength;
        }
        img.bytes.replace(n * nodeSize, nodeSize, node);
    }
    return img;
}

// ---- the share tree -----------------------------------------------------------------------

void writeBytes(const fs::path& path, std::string_view bytes) {
    fs::create_directories(path.parent_path());
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out) throw std::runtime_error("fixtures: cannot write " + path.string());
}

StoreServerTree::StoreServerTree(fs::path sharesRoot, std::string server, std::string directory)
    : sharesRoot_(std::move(sharesRoot)), server_(std::move(server)), directory_(std::move(directory)) {
    fs::create_directories(systemDir());
    fs::create_directories(catcon());
}

fs::path StoreServerTree::serverRoot() const {
    return sharesRoot_ / server_;
}
fs::path StoreServerTree::krvlink() const {
    return serverRoot() / "KRVLINK";
}
fs::path StoreServerTree::systemDir() const {
    return krvlink() / directory_;
}
fs::path StoreServerTree::catcon() const {
    return serverRoot() / "CATCON";
}

void StoreServerTree::addLink(std::string linkFile, std::string resolutionFile) {
    links_.emplace_back(std::move(linkFile), std::move(resolutionFile));
    writeLinksFile();
}

void StoreServerTree::writeLinksFile() const {
    std::string bytes;
    for (const auto& [l, r] : links_) bytes += linkRecord(l, r);
    writeBytes(krvlink() / "LINKSFILE", bytes);
}

std::vector<LogicalFileImage> StoreServerTree::addCatalogue(const std::string& resolutionFile,
                                                            std::vector<LogicalFileImage> files,
                                                            uint32_t firstBlock, bool link) {
    std::string relative = resolutionFile;
    std::replace(relative.begin(), relative.end(), ':', '/');
    while (!relative.empty() && relative.front() == '/') relative.erase(relative.begin());
    const fs::path cataloguePath = krvlink() / relative;
    std::string dataName = cataloguePath.filename().string();
    dataName = dataName.substr(0, dataName.size() >= 2 ? dataName.size() - 2 : 0) + "DB";
    const fs::path dataPath = cataloguePath.parent_path() / dataName;

    std::string catalogue, data(static_cast<size_t>(firstBlock) * kBlock, kFiller);
    uint32_t block = firstBlock;
    for (auto& f : files) {
        f.entry.position = block;
        const size_t at = static_cast<size_t>(block) * kBlock;
        data.resize(at + static_cast<size_t>(f.blocks()) * kBlock, kFiller);
        data.replace(at, f.bytes.size(), f.bytes);
        block += f.blocks();
        catalogue += catalogueEntry(f.entry);
    }
    writeBytes(cataloguePath, catalogue);
    writeBytes(dataPath, data);
    if (link)
        for (const auto& f : files) addLink(":" + directory_ + ":" + f.entry.name, resolutionFile);
    return files;
}

void StoreServerTree::writeTtymap(std::string_view text) const {
    writeBytes(krvlink() / "ttymap", text);
}

void StoreServerTree::writeFile0(std::string_view storeName, int blocks) const {
    std::string bytes(static_cast<size_t>(std::max(blocks, 2)) * kBlock, ' ');
    put(bytes, kBlock + 151, padded(storeName, 35, ' '));
    writeBytes(systemDir() / "FILE0", bytes);
}

void StoreServerTree::writeKrvlinkFile(const std::string& relative, std::string_view bytes) const {
    writeBytes(krvlink() / relative, bytes);
}

void writeEngineConfig(const fs::path& folder, const EngineConfig& config) {
    std::string text = "[Vellumix]\r\n";
    for (const auto& [k, v] : config.values) text += k + "=" + v + "\r\n";
    text += config.extraText;
    writeBytes(folder / "kvsCatalog.ini", text);
}

}  // namespace ztl::storedata::fixtures

namespace ztl::storedata::fixtures {

std::string lineRecord(const LineSpec& s) {
    std::string r(222, '\0');
    put(r, 1, be(s.inUse, 2));
    put(r, 3, be(s.line, 2));
    put(r, 5, padded(compress(s.alpha), 2, '\0'));
    put(r, 7, padded(compress(s.name), 20, '\0'));
    put(r, 27, "N");
    put(r, 28, std::string(1, s.comodity));
    put(r, 75, be(s.costCents, 4));
    put(r, 87, be(s.mtdSalesCents, 4));
    put(r, 99, be(static_cast<int64_t>(s.ytdSalesCents) - s.mtdSalesCents, 4));
    put(r, 124, "N");
    put(r, 142, std::string(1, s.type));
    return r;
}

void writeLineFiles(StoreServerTree& tree, const std::string& resolutionFile,
                    const std::vector<LineSpec>& lines, const std::vector<std::pair<int, char>>& comodities,
                    int32_t lastRecord) {
    std::map<int32_t, std::string> l, e;
    int32_t n = 0;
    for (const auto& spec : lines) {
        std::string rec = lineRecord(spec);
        ++n;
        l[n] = rec.substr(0, 111);
        e[n] = rec.substr(111);
    }
    const int32_t last = std::max(lastRecord, std::max(n, 1));
    std::vector<IndexEntry> keys;
    int32_t r = 1;
    for (auto [line, code] : comodities)
        keys.push_back({be(line, 2) + std::string(1, code) + std::string(1, '\0'), r++});
    tree.addCatalogue(resolutionFile,
                      {recordFile("LINEL", 111, last, l), recordFile("ELINEL", 111, last, e),
                       bulkIndex("COMODI", keys, {4})},
                      1);
}

void writeSampleStore(const fs::path& sharesRoot, const fs::path& configFolder,
                      const std::string& computerName, int itemKeys) {
    StoreServerTree tree(sharesRoot, "STORESRV", "KVS");
    tree.writeFile0("MAIN STREET HARDWARE #12");
    tree.writeTtymap("# terminal map\r\nPOS01 1\r\n127.0.0.2 2\r\n" + computerName + "   12,3\r\n");
    writeLineFiles(tree, "KVS:LINECT",
                   {{10, "HW", "HARDWARE", 'H', 1234550, 150000, 2500000, 'P'},
                    {20, "PT", "PAINT AND SUNDRIES", 'P', 98765, 0, 123456, 'U'},
                    {30, "LG", "LAWN AND GARDEN", 'L', 0, 5000, 15000, 'R'},
                    {40, "OLD", "DISCONTINUED", 'D', 0, 0, 0, 'P', 0}},
                   {{10, 'A'}, {10, 'H'}, {10, 'K'}, {20, 'P'}, {20, 'S'}, {30, 'L'}}, 10);
    std::vector<IndexEntry> items;
    for (int i = 0; i < itemKeys; ++i) {
        char k[16];
        std::snprintf(k, sizeof k, "ITEM%06d", i * 10);
        items.push_back({k, i + 1});
    }
    tree.addCatalogue("KVS:ITEMCT", {bulkIndex("ITEMX", items, {10, false, 8})}, 1);
    writeEngineConfig(configFolder, EngineConfig{{{"Server", "STORESRV"},
                                                  {"DataShare", "KVSDATA"},
                                                  {"CatalogShare", "CATCON"},
                                                  {"Directory", "KVS"},
                                                  {"TerminalID", "12"},
                                                  {"CustomerNumber", "1001"}},
                                                 ""});
}

}  // namespace ztl::storedata::fixtures
