#include "logical.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <limits>
#include <optional>
#include <system_error>

#include "platform/paths.h"
#include "storedata/codec.h"
#include "storedata/engine.h"
#include "storedata/key_index.h"
#include "storedata/physical.h"

namespace fs = std::filesystem;

namespace ztl::storedata {
namespace {

// The whole catalogue file, or nullopt when it cannot be opened or read.
std::optional<std::string> readCatalogue(const std::string& path) {
    const fs::path local = paths::map(path);
    std::error_code ec;
    if (!fs::is_regular_file(local, ec)) return std::nullopt;
    int fd = ::open(local.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return std::nullopt;
    std::string bytes;
    if (readToEndAndClose(fd, bytes) != 0) return std::nullopt;
    return bytes;
}

[[noreturn]] void illegalRecord(const char* source, const cLogicalFile& f, int32_t n) {
    throw VbError(81, source,
                  "Illegal Record Number for File: " + f.FileName + " and Record: " + std::to_string(n));
}

}  // namespace

std::string qualifyName(std::string_view name, std::string_view directory) {
    if (name.empty() || name.front() == ':') return std::string(name);
    return ":" + std::string(directory) + ":" + std::string(name);
}

std::string bareName(std::string_view name) {
    size_t p = name.rfind(':');
    return std::string(p == std::string_view::npos ? name : name.substr(p + 1));
}

int32_t recordOffset(const cLogicalFile& f, int64_t n) {
    const int64_t offset = static_cast<int64_t>(f.Position) * kBlockSize + n * f.RecordLength;
    if (offset > std::numeric_limits<int32_t>::max() || offset < 0) throw vbError(vb::kOverflow, f.FileName);
    return static_cast<int32_t>(offset);
}

std::shared_ptr<cLogicalFile> LogicalOpen(std::string_view fileName) {
    cLogicalFiles& registry = logicalFiles();
    if (auto found = registry.Find(fileName)) return found;

    const cSystem& sys = systemRecord();
    const std::string qualified = qualifyName(fileName, sys.mDirectory);
    auto link = links().Find(qualified);
    if (!link) return nullptr;

    std::string resolution = link->ResolutionFile;
    std::replace(resolution.begin(), resolution.end(), ':', '\\');
    const std::string cataloguePath = "\\\\" + sys.mUNCDrive + "\\KRVLINK\\" + resolution;
    const std::string dataPath = cataloguePath.substr(0, cataloguePath.size() - 2) + "DB";

    auto catalogue = readCatalogue(cataloguePath);
    if (!catalogue) return nullptr;
    const std::string bare = bareName(fileName);
    std::string entry;
    for (size_t at = 0; at < catalogue->size(); at += kCatalogueEntryLength) {
        std::string e = catalogue->substr(at, kCatalogueEntryLength);
        e.resize(kCatalogueEntryLength, '\0');
        if (Trun(std::string_view(e).substr(0, 10), 1) == bare) {
            entry = std::move(e);
            break;
        }
    }
    if (entry.empty()) return nullptr;

    const std::string type(1, entry[15]);
    const int32_t flags = Unpack("C", entry, 7);
    const int32_t lastRecord = Unpack("L", entry, 17);
    const int32_t position = Unpack("D", entry, 11);
    const int32_t recordLength = Unpack("C", entry, 14);
    auto data = OpenFile(dataPath);

    bool isamPlus = false;
    if (type == "I" && data) {
        const int64_t offset = static_cast<int64_t>(position) * kBlockSize;
        if (offset > std::numeric_limits<int32_t>::max()) throw vbError(vb::kOverflow, "LogicalOpen");
        std::string header = ReadFile(data, kBlockSize, static_cast<int32_t>(offset));
        isamPlus = header.substr(14, 2) == "09";
    }
    return registry.Add(std::string(fileName), type, data, position, flags, recordLength, lastRecord,
                        isamPlus, fileName);
}

std::string LreadFile(const std::shared_ptr<cLogicalFile>& file, int32_t recordNumber, bool orb) {
    if (!file) throw VbError(-10, "iLreadFile", "LogicalFile parameter is undefined");
    if (recordNumber < 1 || recordNumber > file->LastRecord) illegalRecord("iLreadFile", *file, recordNumber);
    return ReadFile(file->OpenFile, file->RecordLength, recordOffset(*file, recordNumber), orb);
}

void LwriteFile(const std::shared_ptr<cLogicalFile>& file, int32_t recordNumber, std::string_view data,
                bool orb) {
    if (!file) throw VbError(-10, "iLwriteFile", "LogicalFile parameter is undefined");
    if (recordNumber < 1 || recordNumber > file->LastRecord)
        illegalRecord("iLwriteFile", *file, recordNumber);
    if (static_cast<int64_t>(data.size()) != file->RecordLength)
        throw VbError(36, "iLwriteFile",
                      "Illegal Data length for this record.  Size is: " + std::to_string(data.size()) +
                          " and should be " + std::to_string(file->RecordLength));
    WriteFile(file->OpenFile, data, recordOffset(*file, recordNumber), orb);
}

void GetRec(const std::shared_ptr<cLogicalFile>& file, int32_t& recordNumber, bool orb) {
    if (!file) throw vbError(vb::kObjectNotSet, "iGetRec");
    const int32_t lock = LogicalLock(file, 0);
    if (lock <= 0)
        throw VbError(57, "iGetRec", "Could not obtain a Lock on Record Zero of " + file->FileName);
    detail::allocateRecord(file, recordNumber, orb);
    ReleaseLock(lock);
}

namespace detail {

void allocateRecord(const std::shared_ptr<cLogicalFile>& file, int32_t& recordNumber, bool orb) {
    const int32_t zero = recordOffset(*file, 0);
    std::string head = ReadFile(file->OpenFile, kRecordZeroHeadLength, zero, orb);
    const int32_t freeHead = Unpack("L", head, 3);
    int32_t next;
    if (freeHead < 1) {
        const int32_t high = Unpack("L", head, 7);
        if (high == std::numeric_limits<int32_t>::max()) throw vbError(vb::kOverflow, "iGetRec");
        next = high + 1;
        Pack("L", head, next, 7);
    } else {
        next = freeHead;
        std::string freed = LreadFile(file, next, orb);  // checks the chain head against LastRecord
        Pack("L", head, Unpack("L", freed, 3), 3);
    }
    const int32_t active = Unpack("L", head, 11);
    Pack("L", head, active == std::numeric_limits<int32_t>::max() ? active : active + 1, 11);
    WriteFile(file->OpenFile, head, zero, orb);
    recordNumber = next;
}

}  // namespace detail

void DelRec(const std::shared_ptr<cLogicalFile>& file, int32_t recordNumber, bool orb) {
    if (!file) throw VbError(-10, "iLreadFile", "LogicalFile parameter is undefined");
    const int32_t zero = recordOffset(*file, 0);
    std::string head = ReadFile(file->OpenFile, kRecordZeroHeadLength, zero, orb);
    std::string record = LreadFile(file, recordNumber, orb);
    if (Unpack("J", record, 1) <= 0) throw VbError(81, "DelRec", "Attempt to delete a deleted record");

    std::string cleared(static_cast<size_t>(file->RecordLength), '\0');
    Pack("L", cleared, Unpack("L", head, 3), 3);
    LwriteFile(file, recordNumber, cleared, orb);
    Pack("L", head, recordNumber, 3);
    Pack("L", head, std::max<int32_t>(0, Unpack("L", head, 11) - 1), 11);
    WriteFile(file->OpenFile, head, zero, orb);
}

void InitFile(const std::shared_ptr<cLogicalFile>& file, int32_t keyLength, bool duplicateKeys,
              int32_t blockingFactor, bool orb) {
    if (!file) throw VbError(-10, "iLwriteFile", "LogicalFile parameter is undefined");
    if (file->FileType == "L") {
        std::string header(kBlockSize, '\0');
        Pack("J", header, -2, 1);
        Pack("L", header, -1, 3);
        WriteFile(file->OpenFile, header, recordOffset(*file, 0), orb);
        const std::string empty(static_cast<size_t>(std::max<int32_t>(0, file->RecordLength)), '\0');
        for (int64_t n = 1; n <= file->LastRecord; ++n) LwriteFile(file, static_cast<int32_t>(n), empty, orb);
    } else if (file->FileType == "I") {
        initIndex(file, keyLength, duplicateKeys, blockingFactor, orb);
    }
}

int32_t PhysicalLock(std::string_view, int32_t, int32_t) {
    return 0;
}

int32_t LogicalLock(const std::shared_ptr<cLogicalFile>& file, int32_t recordNumber) {
    if (!file) throw vbError(vb::kObjectNotSet, "LogicalLock");
    // The byte range a granted lock would cover (PhysicalLock grants none).
    const int64_t offset = static_cast<int64_t>(file->Position) * kBlockSize +
                           static_cast<int64_t>(recordNumber) * file->RecordLength;
    const int32_t clamped =
        static_cast<int32_t>(std::clamp<int64_t>(offset, 0, std::numeric_limits<int32_t>::max()));
    return PhysicalLock(file->FileName, clamped, file->RecordLength);
}

int32_t ReleaseLock(int32_t) {
    return 0;
}

}  // namespace ztl::storedata
