#include "physical.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <limits>
#include <set>
#include <system_error>

#include "platform/os_error.h"
#include "platform/paths.h"
#include "platform/vb_error.h"
#include "storedata/engine.h"

namespace fs = std::filesystem;

namespace ztl::storedata {
namespace {

constexpr int64_t kMaxOffset = std::numeric_limits<int32_t>::max();

int32_t nextFileNumber() {
    std::set<int32_t> used;
    for (const auto& e : openFiles().NewEnum()) used.insert(e->vbFileNumber);
    int32_t n = 1;
    while (used.count(n)) ++n;
    return n;
}

void checkOpen(const cOpenFile& entry, const char* source) {
    if (entry.fd < 0) throw vbError(vb::kBadFileNameOrNumber, source);
}

int64_t checkedOffset(int64_t offset, const char* source) {
    if (offset > kMaxOffset || offset < std::numeric_limits<int32_t>::min())
        throw vbError(vb::kOverflow, source);
    return offset;
}

}  // namespace

std::string physicalPath(std::string_view fileName) {
    if (fileName.find('\\') != std::string_view::npos) return std::string(fileName);
    const cSystem& s = systemRecord();
    return "\\\\" + s.mUNCDrive + "\\KRVLINK\\" + s.mDirectory + "\\" + std::string(fileName);
}

std::shared_ptr<cOpenFile> OpenFile(std::string_view fileName) {
    const std::string path = physicalPath(fileName);
    cOpenFiles& registry = openFiles();
    if (auto found = registry.Find(path)) return found;

    const fs::path local = paths::map(path);
    std::error_code ec;
    if (!fs::is_regular_file(local, ec)) return nullptr;

    const int32_t number = nextFileNumber();
    bool readOnly = false;
    auto openAs = [&](int flags) {
        const auto& hook = engine().services.openFile;
        return hook ? hook(local, flags) : ::open(local.c_str(), flags | O_CLOEXEC);
    };
    int fd = openAs(O_RDWR);
    if (fd < 0 && (errno == EACCES || errno == EROFS || errno == EPERM)) {
        fd = openAs(O_RDONLY);
        readOnly = fd >= 0;
    }
    if (fd < 0) {
        const long n = vbNumberOfErrno(errno);
        engine().lastError = VbError(n, "iOpenFile", "Could not open file: " + path);
        return nullptr;
    }
    auto entry = registry.Add(number, path, 0, path);
    entry->fd = fd;
    entry->readOnly = readOnly;
    entry->localPath = local;
    return entry;
}

std::string ReadFile(const std::shared_ptr<cOpenFile>& entry, int32_t bytesToRead, int32_t position, bool) {
    if (!entry) throw vbError(vb::kObjectNotSet, "ReadFile");
    checkOpen(*entry, "ReadFile");
    if (bytesToRead < 0) throw vbError(vb::kInvalidProcedureCall, "ReadFile");
    if (position < 0) throw VbError(63, "ReadFile", "Bad record number");
    // Visual Basic's Get takes the 1-based position Position + 1 as a Long.
    checkedOffset(static_cast<int64_t>(position) + 1, "ReadFile");

    std::string buffer(static_cast<size_t>(bytesToRead), ' ');
    size_t done = 0;
    while (done < buffer.size()) {
        ssize_t n = ::pread(entry->fd, buffer.data() + done, buffer.size() - done,
                            static_cast<off_t>(position) + static_cast<off_t>(done));
        if (n < 0) {
            if (errno == EINTR) continue;
            throw vbError(vbNumberOfErrno(errno), "ReadFile");
        }
        if (n == 0) break;  // end of file: the rest stays spaces
        done += static_cast<size_t>(n);
    }
    return buffer;
}

void WriteFile(const std::shared_ptr<cOpenFile>& entry, std::string_view data, int32_t position, bool) {
    if (!entry) throw VbError(-10, "iwriteFile", "OpenFile parameter is undefined");
    checkOpen(*entry, "iwriteFile");
    if (position >= 0) entry->Position = position;
    if (entry->readOnly)
        throw VbError(vb::kPathFileAccessError, "iwriteFile",
                      "Path/File access error: " + entry->Path +
                          " is open read-only (write access to the share was refused)");
    const off_t at = entry->Position;
    size_t done = 0;
    while (done < data.size()) {
        ssize_t n =
            ::pwrite(entry->fd, data.data() + done, data.size() - done, at + static_cast<off_t>(done));
        if (n < 0) {
            if (errno == EINTR) continue;
            throw vbError(vbNumberOfErrno(errno), "iwriteFile");
        }
        done += static_cast<size_t>(n);
    }
}

std::string BlockReadFile(const std::shared_ptr<cOpenFile>& entry, int32_t blockNumber, bool orb) {
    if (!entry) throw vbError(vb::kObjectNotSet, "BlockReadFile");
    const int64_t offset = checkedOffset(static_cast<int64_t>(blockNumber) * kBlockSize, "BlockReadFile");
    return ReadFile(entry, kBlockSize, static_cast<int32_t>(offset), orb);
}

void BlockWriteFile(const std::shared_ptr<cOpenFile>& entry, int32_t blockNumber, std::string_view record,
                    bool orb) {
    if (!entry) throw VbError(-10, "iwriteFile", "OpenFile parameter is undefined");
    const int64_t offset = checkedOffset(static_cast<int64_t>(blockNumber) * kBlockSize, "BlockWriteFile");
    if (offset < 0) throw VbError(63, "BlockWriteFile", "Bad record number");
    WriteFile(entry, record, static_cast<int32_t>(offset), orb);
}

void CloseFile(std::string_view fullPath) {
    cOpenFiles& registry = openFiles();
    auto entry = registry.Find(fullPath);
    if (!entry) return;
    closeDescriptor(*entry);
    registry.Remove(fullPath);
}

bool closeDescriptor(cOpenFile& entry) {
    if (entry.fd < 0) return true;
    int fd = entry.fd;
    entry.fd = -1;
    return ::close(fd) == 0;
}

int readToEndAndClose(int fd, std::string& bytes) {
    char buf[65536];
    int err = 0;
    while (true) {
        ssize_t n = ::read(fd, buf, sizeof buf);
        if (n < 0) {
            if (errno == EINTR) continue;
            err = errno;
            break;
        }
        if (n == 0) break;
        bytes.append(buf, static_cast<size_t>(n));
    }
    ::close(fd);
    return err;
}

}  // namespace ztl::storedata
