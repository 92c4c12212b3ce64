#include "key_index.h"

#include <algorithm>
#include <climits>

#include "storedata/big_endian.h"
#include "storedata/codec.h"
#include "storedata/engine.h"
#include "storedata/logical.h"
#include "storedata/physical.h"

namespace ztl::storedata {
namespace {

constexpr size_t kNodeAt = kBuffHeader;  // 0-based offset of the current node in Buff

// How one index file lays out its nodes.
struct Form {
    bool extended = false;
    int entryLength = 0;
    int keyLength = 0;
    int nodeSize = 0;
    int entriesAt = 0;  // 0-based offset of entry 1 in a node
    int32_t lastLeaf = 0;
};

[[noreturn]] void damaged(const char* op, const cLogicalFile& f, const std::string& what) {
    throw VbError(kIndexDamaged, op, "Index is damaged.  File: " + f.FileName + "  (" + what + ")");
}

void requireFile(const std::shared_ptr<cLogicalFile>& f, const char* op) {
    if (!f) throw VbError(-10, op, "LogicalFile parameter is undefined");
}

// The op-codes of the index's numbers, at 0-based offsets.
int32_t getB(std::string_view s, size_t at0) {
    return static_cast<int32_t>(readBigEndian(s, at0, 1));
}
int32_t getC(std::string_view s, size_t at0) {
    return static_cast<int32_t>(readBigEndian(s, at0, 2));
}
int32_t getL(std::string_view s, size_t at0) {
    return static_cast<int32_t>(readBigEndian(s, at0, 4));
}
void setB(std::string& s, size_t at0, int32_t v) {
    writeBigEndian(s, at0, 1, static_cast<uint32_t>(v));
}
void setC(std::string& s, size_t at0, int32_t v) {
    writeBigEndian(s, at0, 2, static_cast<uint32_t>(v));
}
void setL(std::string& s, size_t at0, int32_t v) {
    writeBigEndian(s, at0, 4, static_cast<uint32_t>(v));
}

int compareKeys(std::string_view a, std::string_view b) {
    const size_t n = std::min(a.size(), b.size());
    for (size_t i = 0; i < n; ++i) {
        auto x = static_cast<unsigned char>(a[i]), y = static_cast<unsigned char>(b[i]);
        if (x != y) return x < y ? -1 : 1;
    }
    return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

// The form of the file from its header node (node 0 as read) and its entry.
Form formOf(const cLogicalFile& f, std::string_view header, const char* op) {
    Form form;
    form.extended = f.IsamPlus;
    form.nodeSize = f.RecordLength;
    form.entriesAt = form.extended ? 8 : 4;
    form.lastLeaf = form.extended ? 16777215 : 65535;
    if (header.size() < 16) damaged(op, f, "header shorter than 16 bytes");
    form.entryLength = getC(header, 0);
    const bool duplicates = getC(header, 12) == 65535;
    form.keyLength = form.entryLength - ((duplicates && form.extended) ? 6 : 4);
    // A key length of 0 is an index InitFile made with the default key length: every key is
    // the empty key, and the index is sound (and empty).
    if (form.keyLength < 0 || form.entriesAt + form.entryLength > form.nodeSize)
        damaged(op, f, "entry length " + std::to_string(form.entryLength));
    return form;
}

// The root node number of the header.
int32_t rootOf(const Form& form, std::string_view header) {
    int32_t root = getC(header, 8);
    if (form.extended && header.size() > 18) root |= getB(header, 18) << 16;
    return root;
}

// Accessors of the node held in Buff from byte 33.
int32_t entryCount(std::string_view buff) {
    return getC(buff, kNodeAt);
}
int32_t nextLink(const Form& form, std::string_view buff) {
    int32_t link = getC(buff, kNodeAt + 2);
    if (form.extended) link |= getB(buff, kNodeAt + 6) << 16;
    return link;
}
size_t entryAt(const Form& form, int32_t i) {  // 0-based offset in Buff of entry i (1-based)
    return kNodeAt + static_cast<size_t>(form.entriesAt) +
           static_cast<size_t>(i - 1) * static_cast<size_t>(form.entryLength);
}
std::string entryKey(const Form& form, std::string_view buff, int32_t i) {
    return std::string(buff.substr(entryAt(form, i), static_cast<size_t>(form.keyLength)));
}
int32_t entryPointer(const Form& form, std::string_view buff, int32_t i) {
    return getL(buff, entryAt(form, i) + static_cast<size_t>(form.entryLength) - 4);
}
int32_t reported(int32_t pointer) {
    return pointer == -1 ? 0 : pointer;
}

void checkCount(const Form& form, const cLogicalFile& f, std::string_view buff, const char* op) {
    const int32_t n = entryCount(buff);
    if (static_cast<int64_t>(form.entriesAt) + static_cast<int64_t>(n) * form.entryLength > form.nodeSize)
        damaged(op, f, "entry count " + std::to_string(n) + " beyond the node");
}

// KPrev and KLast read 512 bytes at (node + Position) * 512, whatever RecordLength says.
std::string readBasicNode(const cLogicalFile& f, int32_t node, bool orb) {
    const int64_t offset = (static_cast<int64_t>(node) + f.Position) * kBasicNodeSize;
    if (offset > INT32_MAX || offset < 0) throw vbError(vb::kOverflow, f.FileName);
    return ReadFile(f.OpenFile, kBasicNodeSize, static_cast<int32_t>(offset), orb);
}

std::string readNode(const cLogicalFile& f, int32_t node, int32_t size, bool orb) {
    return ReadFile(f.OpenFile, size, recordOffset(f, node), orb);
}

// Node number in range, or the operator's message (false).
bool nodeInRange(const cLogicalFile& f, int32_t node) {
    if (node >= 1 && node <= f.LastRecord) return true;
    MessageBox box;
    box.text = "Index is returning information out of Range.  File: " + f.FileName +
               " LastRec: " + std::to_string(f.LastRecord);
    box.icon = MsgIcon::Critical;
    showMessage(box);
    return false;
}

void loadNode(const Form& form, const cLogicalFile& f, std::string& buff, int32_t node, bool orb,
              const char* op) {
    std::string bytes = readNode(f, node, form.nodeSize, orb);
    buff.replace(kNodeAt, bytes.size(), bytes);
    checkCount(form, f, buff, op);
}

// Net leaves KNext has moved forward since the last search, kept in 4 bytes after the node
// (Buff is "at least" 32 + RecordLength bytes; nothing else reads beyond). A chain that
// needs more hops than the file has nodes runs in a cycle, even one of equal keys.
size_t hopsAt(const cLogicalFile& f) {
    return kBuffHeader + static_cast<size_t>(std::max(f.RecordLength, 0));
}
void ensureHops(const cLogicalFile& f, std::string& buff) {
    if (buff.size() < hopsAt(f) + 4) buff.resize(hopsAt(f) + 4, '\0');
}
int32_t getHops(const cLogicalFile& f, const std::string& buff) {
    return getL(buff, hopsAt(f));
}
void setHops(const cLogicalFile& f, std::string& buff, int32_t v) {
    setL(buff, hopsAt(f), v);
}

void setPath(std::string& buff, int32_t depth, int32_t node) {
    setC(buff, 16 + 2 * static_cast<size_t>(depth), node);
}
int32_t pathAt(std::string_view buff, int32_t depth) {
    return getC(buff, 16 + 2 * static_cast<size_t>(depth));
}

// KFind's search. Returns false when it stopped without a cursor (Rec already 0).
bool find(const std::shared_ptr<cLogicalFile>& file, std::string& buff, std::string& key, int32_t& rec,
          bool orb, const char* op) {
    const cLogicalFile& f = *file;
    const std::string header = readNode(f, 0, f.RecordLength, orb);
    const Form form = formOf(f, header, op);

    key.resize(static_cast<size_t>(form.keyLength), '\0');
    const size_t size = kBuffHeader + static_cast<size_t>(f.RecordLength);
    if (buff.size() < size) buff.resize(size, '\0');
    buff.replace(0, header.size(), header);
    ensureHops(f, buff);
    setHops(f, buff, 0);

    const int maxDepth = form.extended ? kMaxExtendedDepth : kMaxBasicDepth;
    int32_t node = rootOf(form, header);
    int32_t depth = 0;
    while (true) {
        if (!nodeInRange(f, node)) {
            rec = 0;
            return false;
        }
        if (++depth > maxDepth) damaged(op, f, "deeper than " + std::to_string(maxDepth) + " levels");
        loadNode(form, f, buff, node, orb, op);
        if (!form.extended) setPath(buff, depth, node);

        // Scan this node, then sideways along the next links while every key is smaller.
        int64_t sideways = 0;
        while (true) {
            const int32_t count = entryCount(buff);
            int32_t hit = 0;
            for (int32_t i = 1; i <= count; ++i)
                if (compareKeys(entryKey(form, buff, i), key) >= 0) {
                    hit = i;
                    break;
                }
            const int32_t next = nextLink(form, buff);
            if (hit > 0 && next != 0) {  // a leaf
                const int32_t pointer = reported(entryPointer(form, buff, hit));
                rec = pointer;
                const std::string found = entryKey(form, buff, hit);
                if (compareKeys(key, found) < 0) {
                    // No record number is that low: only a damaged index holds it, and it has
                    // no negative to tell the caller that the key found is another.
                    if (pointer == INT32_MIN)
                        damaged(op, f, "record pointer " + std::to_string(pointer) + " in node " +
                                           std::to_string(node));
                    rec = -pointer;
                    key = found;
                }
                setB(buff, 16, hit);
                setB(buff, 17, depth);
                return true;
            }
            if (hit > 0) {  // an internal node: down to the child
                node = entryPointer(form, buff, hit);
                break;
            }
            if (next == form.lastLeaf) {
                rec = 0;
                return false;
            }
            if (next == 0)
                damaged(op, f, "internal node " + std::to_string(node) + " has no key at or above the key");
            if (++sideways > static_cast<int64_t>(f.LastRecord))
                damaged(op, f, "the leaf chain runs in a cycle");
            if (!nodeInRange(f, next)) {
                rec = 0;
                return false;
            }
            node = next;
            loadNode(form, f, buff, node, orb, op);
            if (!form.extended) setPath(buff, depth, node);
        }
    }
}

// The form and a check of the cursor that Buff holds.
Form cursorForm(const std::shared_ptr<cLogicalFile>& file, const std::string& buff, const char* op) {
    const cLogicalFile& f = *file;
    if (buff.size() < kBuffHeader + static_cast<size_t>(f.RecordLength))
        damaged(op, f, "key buffer without a cursor");
    Form form = formOf(f, buff.substr(0, 16), op);
    checkCount(form, f, buff, op);
    return form;
}

}  // namespace

void KFind(const std::shared_ptr<cLogicalFile>& file, std::string& buff, std::string& key, int32_t& rec,
           bool orb) {
    requireFile(file, "KFind");
    find(file, buff, key, rec, orb, "KFind");
}

void KNext(const std::shared_ptr<cLogicalFile>& file, std::string& buff, std::string& key, int32_t& rec,
           bool orb) {
    requireFile(file, "KNext");
    const cLogicalFile& f = *file;
    const Form form = cursorForm(file, buff, "KNext");
    int32_t i = getB(buff, 16);
    const int32_t depth = getB(buff, 17);
    if (i >= entryCount(buff)) {
        const int32_t next = nextLink(form, buff);
        if (next == form.lastLeaf) {
            rec = 0;
            return;
        }
        if (next == 0) damaged("KNext", f, "the cursor is not on a leaf");
        if (!nodeInRange(f, next)) {
            rec = 0;
            return;
        }
        // Keys never go down along the leaf chain: a link back into it would loop for ever.
        const std::string last =
            entryCount(buff) > 0 ? entryKey(form, buff, entryCount(buff)) : std::string();
        std::string saved = buff;
        loadNode(form, f, buff, next, orb, "KNext");
        if (entryCount(buff) < 1) {
            buff = saved;
            damaged("KNext", f, "leaf " + std::to_string(next) + " holds no entry");
        }
        const bool duplicates = getC(buff, 12) == 65535;
        const int c = compareKeys(entryKey(form, buff, 1), last);
        if (c < 0 || (c == 0 && !duplicates)) {
            buff = saved;
            damaged("KNext", f, "the leaf chain goes back at node " + std::to_string(next));
        }
        if (!form.extended && depth >= 1 && depth <= kMaxBasicDepth) setPath(buff, depth, next);
        ensureHops(f, buff);
        const int32_t hops = getHops(f, buff) + 1;
        if (hops < 1 || hops > f.LastRecord) {
            buff = saved;
            damaged("KNext", f, "the leaf chain runs in a cycle");
        }
        setHops(f, buff, hops);
        i = 0;
    }
    ++i;
    key = entryKey(form, buff, i);
    rec = reported(entryPointer(form, buff, i));
    setB(buff, 16, i);
}

void KPrev(const std::shared_ptr<cLogicalFile>& file, std::string& buff, std::string& key, int32_t& rec,
           bool orb) {
    requireFile(file, "KPrev");
    const cLogicalFile& f = *file;
    if (f.IsamPlus) damaged("KPrev", f, "KPrev reads the basic form only");
    Form form = cursorForm(file, buff, "KPrev");
    form.nodeSize = kBasicNodeSize;
    const std::string copy = buff;
    int32_t i = getB(buff, 16);
    const int32_t depth = getB(buff, 17);
    if (depth < 1 || depth > kMaxBasicDepth) damaged("KPrev", f, "cursor depth " + std::to_string(depth));
    if (i < 1 || i > entryCount(buff) + 1) damaged("KPrev", f, "cursor entry " + std::to_string(i));
    const size_t E = static_cast<size_t>(form.entryLength);
    auto read = [&](int32_t node) {
        if (node < 0 || node > f.LastRecord) {
            buff = copy;
            damaged("KPrev", f, "node " + std::to_string(node) + " out of range");
        }
        std::string bytes = readBasicNode(f, node, orb);
        buff.replace(kNodeAt, bytes.size(), bytes);
        if (static_cast<int64_t>(form.entriesAt) + static_cast<int64_t>(entryCount(buff)) * form.entryLength >
            kBasicNodeSize) {
            buff = copy;
            damaged("KPrev", f, "entry count beyond node " + std::to_string(node));
        }
    };

    int32_t level = depth;
    const bool climbs = i == 1;
    while (i == 1) {
        --level;
        if (level < 1) {
            buff = copy;
            rec = 0;
            return;
        }
        // The parent's entry for the node in hand: its last entry, pointing at the node itself.
        const int32_t count = entryCount(buff);
        if (count < 1) {
            buff = copy;
            damaged("KPrev", f, "empty node on the path");
        }
        std::string formed = buff.substr(entryAt(form, count), E);
        const int32_t self = pathAt(buff, level + 1);
        setL(formed, E - 4, self);
        read(pathAt(buff, level));
        i = 0;
        for (int32_t j = entryCount(buff); j >= 1; --j)
            if (buff.compare(entryAt(form, j), E, formed) == 0) {
                i = j;
                break;
            }
        if (i == 0) {
            buff = copy;
            damaged("KPrev", f, "the parent does not name node " + std::to_string(self));
        }
    }
    while (level < depth) {
        const int32_t child = entryPointer(form, buff, i - 1);
        read(child);
        ++level;
        setPath(buff, level, child);
        i = entryCount(buff) + 1;
        if (i < 2) {
            buff = copy;
            damaged("KPrev", f, "empty node " + std::to_string(child));
        }
    }
    --i;
    key = entryKey(form, buff, i);
    rec = reported(entryPointer(form, buff, i));
    setB(buff, 16, i);
    if (climbs) {  // one leaf back
        ensureHops(f, buff);
        setHops(f, buff, std::max(0, getHops(f, buff) - 1));
    }
}

void KLast(const std::shared_ptr<cLogicalFile>& file, std::string& buff, std::string& key, int32_t& rec,
           bool orb) {
    requireFile(file, "KLast");
    const cLogicalFile& f = *file;
    if (f.IsamPlus) damaged("KLast", f, "KLast reads the basic form only");
    const std::string header = readBasicNode(f, 0, orb);
    Form form = formOf(f, header, "KLast");
    form.nodeSize = kBasicNodeSize;
    if (buff.size() < kBuffHeader + static_cast<size_t>(kBasicNodeSize))
        buff.resize(kBuffHeader + kBasicNodeSize, '\0');
    buff.replace(0, header.size(), header);
    ensureHops(f, buff);
    setHops(f, buff, 0);

    int32_t node = rootOf(form, header);
    int32_t depth = 0;
    while (nextLink(form, buff) == 0) {
        if (!nodeInRange(f, node)) {
            rec = 0;
            return;
        }
        if (++depth > kMaxBasicDepth) damaged("KLast", f, "deeper than 7 levels");
        std::string bytes = readBasicNode(f, node, orb);
        buff.replace(kNodeAt, bytes.size(), bytes);
        checkCount(form, f, buff, "KLast");
        if (entryCount(buff) < 1) damaged("KLast", f, "empty node " + std::to_string(node));
        setPath(buff, depth, node);
        node = entryPointer(form, buff, entryCount(buff));
    }
    // The first test reads bytes 35-36 of node 0, which a sound header keeps 0: with anything
    // else there the walk never leaves the header, and the header is no leaf.
    if (depth == 0) damaged("KLast", f, "header bytes 33-36 are not 0");
    const int32_t count = entryCount(buff);
    setB(buff, 17, depth);
    if (count >= 2) {
        key = entryKey(form, buff, count - 1);
        rec = reported(entryPointer(form, buff, count - 1));
        setB(buff, 16, count - 1);
        return;
    }
    // The last leaf holds only the closing entry: step back from it, which gives the
    // highest real key of the leaf before, or Rec 0 for an empty index.
    setB(buff, 16, 1);
    KPrev(file, buff, key, rec, orb);
}

int32_t KCount(const std::shared_ptr<cLogicalFile>& file, bool orb) {
    requireFile(file, "KCount");
    const cLogicalFile& f = *file;
    if (f.RecordLength != kBasicNodeSize && f.RecordLength != kExtendedNodeSize)
        damaged("KCount", f, "node size " + std::to_string(f.RecordLength) + " is not supported");
    std::string buff(kBuffHeader + static_cast<size_t>(f.RecordLength), '\0');
    std::string key;
    int32_t rec = 0;
    const bool onLeaf = find(file, buff, key, rec, orb, "KCount");
    if (!onLeaf) return 0;
    const Form form = cursorForm(file, buff, "KCount");
    int64_t total = 0;
    int64_t steps = 0;
    while (true) {
        const int32_t count = entryCount(buff);
        total += count;
        const int32_t next = nextLink(form, buff);
        if (next == form.lastLeaf) break;
        if (!form.extended && count > 0 && entryPointer(form, buff, count) == -1) break;
        if (next == 0) damaged("KCount", f, "an internal node in the leaf chain");
        if (++steps > static_cast<int64_t>(f.LastRecord))
            damaged("KCount", f, "the leaf chain runs in a cycle");
        if (!nodeInRange(f, next)) return 0;
        loadNode(form, f, buff, next, orb, "KCount");
    }
    return static_cast<int32_t>(std::max<int64_t>(0, total - 1));
}

int32_t KLength(const std::shared_ptr<cLogicalFile>& file, bool orb) {
    requireFile(file, "KLength");
    const std::string header = ReadFile(file->OpenFile, kBasicNodeSize, recordOffset(*file, 0), orb);
    return getC(header, 0) - 4;
}

void initIndex(const std::shared_ptr<cLogicalFile>& file, int32_t keyLength, bool duplicateKeys,
               int32_t blockingFactor, bool orb) {
    const cLogicalFile& f = *file;
    const int32_t entryLength = keyLength + 4;
    if (entryLength == 0) throw vbError(11, "InitFile");  // Division by zero
    const int32_t perNode = 508 / entryLength;
    std::string header(kBasicNodeSize, '\0');
    Pack("C", header, entryLength, 1);
    Pack("C", header, perNode, 3);
    Pack("C", header, f.LastRecord, 5);
    Pack("C", header, 2, 7);
    Pack("C", header, 1, 9);
    Pack("C", header, (blockingFactor / 100) * perNode, 11);
    Pack("C", header, duplicateKeys ? 65535 : 0, 13);
    const int64_t base = static_cast<int64_t>(f.Position) * kBlockSize;
    if (base + kBlockSize > INT32_MAX) throw vbError(vb::kOverflow, "InitFile");
    WriteFile(f.OpenFile, header, static_cast<int32_t>(base), orb);
    std::string root(kBasicNodeSize, '\xFF');
    Pack("C", root, 1, 1);
    WriteFile(f.OpenFile, root, static_cast<int32_t>(base + kBlockSize), orb);
}

}  // namespace ztl::storedata
