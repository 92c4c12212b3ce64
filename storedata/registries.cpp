#include "registries.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <system_error>

#include "platform/os_error.h"
#include "platform/paths.h"
#include "storedata/codec.h"
#include "storedata/engine.h"
#include "storedata/physical.h"

namespace fs = std::filesystem;

namespace ztl::storedata {

cOpenFiles::~cOpenFiles() {
    for (auto& slot : items_) closeDescriptor(*slot.entry);  // failures ignored; the rest still close
}

std::shared_ptr<cOpenFile> cOpenFiles::Add(int32_t vbFileNumber, std::string Path, int32_t Position,
                                           std::string_view sKey) {
    auto e = std::make_shared<cOpenFile>();
    e->vbFileNumber = vbFileNumber;
    e->Path = std::move(Path);
    e->Position = Position;
    return AddItem(e, sKey);
}

std::shared_ptr<cLogicalFile> cLogicalFiles::Add(std::string FileName, std::string FileType,
                                                 std::shared_ptr<cOpenFile> OpenFile, int32_t Position,
                                                 int32_t Flags, int32_t RecordLength, int32_t LastRecord,
                                                 bool IsamPlus, std::string_view sKey) {
    auto e = std::make_shared<cLogicalFile>();
    e->FileName = std::move(FileName);
    e->FileType = std::move(FileType);
    e->OpenFile = std::move(OpenFile);
    e->Position = Position;
    e->Flags = Flags;
    e->RecordLength = RecordLength;
    e->LastRecord = LastRecord;
    e->IsamPlus = IsamPlus;
    return AddItem(e, sKey);
}

namespace {

// The 16 bytes of record zero of an "L" file, or empty when the entry has none.
std::string recordZeroHead(const cLogicalFile& f, bool orb) {
    if (!f.OpenFile || f.FileType != "L") return {};
    const int64_t offset = static_cast<int64_t>(f.Position) * kBlockSize;
    if (offset > INT32_MAX) throw vbError(vb::kOverflow, "cLogicalFile");
    return ReadFile(f.OpenFile, 16, static_cast<int32_t>(offset), orb);
}

}  // namespace

int32_t cLogicalFile::ActiveCount(bool orb) const {
    std::string head = recordZeroHead(*this, orb);
    return head.empty() ? 0 : Unpack("L", head, 11);
}

int32_t cLogicalFile::HighUsedRecord(bool orb) const {
    std::string head = recordZeroHead(*this, orb);
    return head.empty() ? 0 : Unpack("L", head, 7);
}

std::shared_ptr<cLink> cLinks::Add(std::string LinkFile, std::string ResolutionFile, std::string_view sKey) {
    auto e = std::make_shared<cLink>();
    e->LinkFile = std::move(LinkFile);
    e->ResolutionFile = std::move(ResolutionFile);
    return AddItem(e, sKey);
}

void cLinks::load(std::string_view table) {
    for (size_t start = 0; start < table.size(); start += kLinkRecordLength) {
        std::string_view rec =
            table.substr(start, kLinkRecordLength);  // a short last piece as far as it goes
        std::string linkFile = Trun(rec.size() > 1 ? rec.substr(1, 79) : std::string_view(), 1);
        std::string resolution = Trun(rec.size() > 81 ? rec.substr(81, 79) : std::string_view(), 1);
        if (linkFile.empty()) continue;
        if (Find(linkFile)) continue;  // the first entry of a key stays
        Add(linkFile, resolution, linkFile);
    }
}

std::shared_ptr<cLinks> readLinkTable() {
    const std::string path = "\\\\" + systemRecord().mUNCDrive + "\\KRVLINK\\LINKSFILE";
    const fs::path local = paths::map(path);
    int fd = ::open(local.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
    if (fd < 0 && (errno == EACCES || errno == EROFS || errno == EPERM))
        fd = ::open(local.c_str(), O_RDONLY | O_CLOEXEC);  // a read-only share: read what is there
    if (fd < 0) {
        long n = vbNumberOfErrno(errno);
        if (errno == ENOENT) n = vb::kPathNotFound;  // the folder is missing: the file cannot be made
        throw vbError(n, "cLinks");
    }
    std::string bytes;
    if (int err = readToEndAndClose(fd, bytes)) throw vbError(vbNumberOfErrno(err), "cLinks");
    auto links = std::make_shared<cLinks>();
    links->load(bytes);
    return links;
}

}  // namespace ztl::storedata
