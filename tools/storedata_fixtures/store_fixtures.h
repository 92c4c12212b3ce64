#pragma once
// Writers of the store system's files, for tests and for the demo world. Every format is
// written byte by byte as the store system lays it out, with the helpers of this file only: nothing here
// calls the store data engine, so a fault in the engine's readers cannot hide in a fixture written by the
// same code.
//
// All numbers are big-endian; positions in the comments are 1-based, as the store system counts them.
#include <cstdint>
#include <filesystem>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace ztl::storedata::fixtures {

inline constexpr size_t kBlock = 512;

// The low `width` bytes of value, big-endian (two's complement for negatives).
std::string be(int64_t value, int width);
// Replaces bytes of rec from 1-based position pos; throws std::out_of_range past the end.
void put(std::string& rec, size_t pos, std::string_view bytes);
// text cut or padded at the end to width with pad.
std::string padded(std::string_view text, size_t width, char pad);
// Three characters into two bytes with the default compression alphabet
// " ,/.0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ" (index*1600 + index*40 + index).
std::string compress(std::string_view text);

// ---- Link table "LINKSFILE": 160-byte records -------------------------------
// byte 1 and byte 81 are never read (written as `filler`), 2-80 LinkFile, 82-160
// ResolutionFile, each padded with `pad`.
std::string linkRecord(std::string_view linkFile, std::string_view resolutionFile, char pad = ' ',
                       char filler = ' ');

// ---- Catalogue entry: 32 bytes ---------------------------------------------------
struct CatalogueEntry {
    std::string name;           // bytes 1-10, padded with `pad`
    uint16_t flags = 0;         // bytes 7-8 (inside the name field; written only when not 0)
    uint32_t position = 0;      // bytes 11-13, first block
    uint16_t recordLength = 0;  // bytes 14-15
    char type = 'L';            // byte 16
    int32_t lastRecord = 0;     // bytes 17-20
    char pad = '\0';
};
std::string catalogueEntry(const CatalogueEntry& e);

// ---- Record zero of a record file: 16 bytes ---------------------------------------
std::string recordZero(int32_t freeHead, int32_t highUsed, int32_t active, int16_t marker = -2);

// One logical file ready to be placed in a data file: its catalogue entry (position filled
// in by the placement) and its bytes from record zero (node 0) on.
struct LogicalFileImage {
    CatalogueEntry entry;
    std::string bytes;
    // Blocks the file occupies: its bytes or (LastRecord + 1) records, whichever is more.
    uint32_t blocks() const;
};

// A record file ("L"): record zero, then records 1..lastRecord (each cut or NUL-padded to
// recordLength; missing ones all NUL). Record zero: marker -2, free head -1, highest record
// = the highest number given, active = the records whose bytes 1-2 read as a signed 16-bit
// number above 0; or `zeroHead` when it is not empty.
LogicalFileImage recordFile(std::string name, uint16_t recordLength, int32_t lastRecord,
                            const std::map<int32_t, std::string>& records, std::string zeroHead = {});

// A record of recordLength bytes that is "in use": bytes 1-2 = `marker` (default 1), then
// `fields` laid at their 1-based positions.
std::string activeRecord(size_t recordLength, const std::map<size_t, std::string>& fields,
                         int16_t marker = 1);

// ---- Key index, basic form: 512-byte nodes --------------------------------------
struct IndexEntry {
    std::string key;  // cut or NUL-padded to the key length
    int32_t record = 0;
};
struct IndexOptions {
    int keyLength = 10;
    bool duplicateKeys = false;
    // Entries per node the loader fills (at most (512 - 4) / (keyLength + 4)); 0 = full.
    int fanout = 0;
    // Extra free nodes reported as capacity beyond what the tree uses.
    int spareNodes = 0;
    // The extended form: 2048-byte nodes, an 8-byte node header, 24-bit links (byte 7 high
    // + bytes 3-4; 16777215 on the last leaf), "09" at 15-16, high bytes at 17-19; with
    // duplicate keys each entry carries 2 uninterpreted bytes after the key.
    bool extended = false;
};
// A valid B-tree of any depth (basic form unless options.extended) holding `entries` (sorted by the loader;
// keys compare as unsigned bytes): leaves chained left to right by their next links (65535 on the last), the
// closing entry (all 255 bytes, pointer -1) last in the last leaf, internal nodes with next link 0 whose
// entries carry the highest key of their child and the child's node number. Node 0 is the header. LastRecord
// of the entry = the highest node number + spare.
LogicalFileImage bulkIndex(std::string name, std::vector<IndexEntry> entries,
                           const IndexOptions& options = {});
// The depth of the tree bulkIndex builds for n entries (1 = the root is a leaf).
int bulkIndexDepth(size_t n, const IndexOptions& options = {});

// ---- A store server share tree on disk ------------------------------------------------------
// sharesRoot/SERVER/KRVLINK/{LINKSFILE, ttymap, DIRECTORY/...}, sharesRoot/SERVER/CATCON/,
// as ztl::paths::map lays \\SERVER\KRVLINK\... out under $ZENTREL_SHARES.
class StoreServerTree {
  public:
    StoreServerTree(std::filesystem::path sharesRoot, std::string server = "SRV1",
                    std::string directory = "DATA");

    const std::string& server() const { return server_; }
    const std::string& directory() const { return directory_; }
    std::filesystem::path serverRoot() const;  // sharesRoot/SERVER
    std::filesystem::path krvlink() const;     // .../KRVLINK
    std::filesystem::path systemDir() const;   // .../KRVLINK/DIRECTORY
    std::filesystem::path catcon() const;      // .../CATCON

    // Adds a link record and rewrites LINKSFILE.
    void addLink(std::string linkFile, std::string resolutionFile);
    // Writes LINKSFILE from the links added so far (empty file when none).
    void writeLinksFile() const;
    // Writes the catalogue <KRVLINK>/<resolutionFile with ":" as "/"> and its data file (the
    // same path with the last two characters replaced by "DB"), placing the files one after
    // another from block `firstBlock`; links ":" + directory + ":" + name for each file.
    // Returns the images with their positions filled in.
    std::vector<LogicalFileImage> addCatalogue(const std::string& resolutionFile,
                                               std::vector<LogicalFileImage> files, uint32_t firstBlock = 1,
                                               bool link = true);
    void writeTtymap(std::string_view text) const;
    // FILE0 in the system directory: `blocks` blocks of spaces, the store name in the 35
    // characters from position 151 of block 1.
    void writeFile0(std::string_view storeName, int blocks = 2) const;
    // Any file below KRVLINK (relative path with "/").
    void writeKrvlinkFile(const std::string& relative, std::string_view bytes) const;

  private:
    std::filesystem::path sharesRoot_;
    std::string server_, directory_;
    std::vector<std::pair<std::string, std::string>> links_;
};

// ---- Line files -----------------------------------------------------------------
struct LineSpec {
    int line = 1;               // "C" at 3
    std::string alpha;          // compressed, 3 characters at 5-6
    std::string name;           // compressed, 30 characters at 7-26
    char comodity = ' ';        // 28
    int32_t costCents = 0;      // Cost_of_Mdse x 100, "L" at 75
    int32_t mtdSalesCents = 0;  // "L" at 87
    int32_t ytdSalesCents = 0;  // the year-to-date amount x 100 (stored at 99 less the month)
    char type = 'P';            // 142
    int16_t inUse = 1;          // "J" at 1
};
// The combined LINEL + ELINEL record (222 bytes) of a line.
std::string lineRecord(const LineSpec& spec);
// Writes the catalogue `resolutionFile` with LINEL and ELINEL (111 bytes each, records 1..n
// in the order given, lastRecord at least n) and the index COMODI (key: line "C", code, NUL).
void writeLineFiles(StoreServerTree& tree, const std::string& resolutionFile,
                    const std::vector<LineSpec>& lines, const std::vector<std::pair<int, char>>& comodities,
                    int32_t lastRecord = 0);

// A complete sample store server under sharesRoot (server STORESRV, directory KVS): FILE0 with
// the store name, LINEL/ELINEL/COMODI, an item index ITEMX of `itemKeys` 10-byte keys, a
// terminal map naming `computerName` as terminal 12; and kvsCatalog.ini in configFolder.
void writeSampleStore(const std::filesystem::path& sharesRoot, const std::filesystem::path& configFolder,
                      const std::string& computerName, int itemKeys = 500);

// ---- Engine configuration "kvsCatalog.ini" --------------------------------------
struct EngineConfig {
    std::map<std::string, std::string> values;  // key -> value in section "Vellumix"
    std::string extraText;                      // appended verbatim (other sections, noise)
};
// Writes [Vellumix] with the given keys (CR LF lines) to folder/kvsCatalog.ini.
void writeEngineConfig(const std::filesystem::path& folder, const EngineConfig& config);

void writeBytes(const std::filesystem::path& path, std::string_view bytes);

}  // namespace ztl::storedata::fixtures
