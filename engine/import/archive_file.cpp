#include "engine/import/archive_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "platform/paths.h"

namespace fs = std::filesystem;

namespace ztl {
namespace {

std::optional<std::string> readWhole(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    if (!in) return std::nullopt;
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad()) return std::nullopt;
    return bytes;
}

// Creates `target` (never replacing a file), writes `bytes` and flushes them to the disk.
// EEXIST comes back as such so that the caller can try the next name.
int writeNew(const fs::path& target, const std::string& bytes) {
    int fd = ::open(target.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd < 0) return errno;
    size_t done = 0;
    int error = 0;
    while (done < bytes.size()) {
        ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            error = n < 0 ? errno : EIO;
            break;
        }
        done += static_cast<size_t>(n);
    }
    if (!error && ::fsync(fd) != 0) error = errno;
    if (::close(fd) != 0 && !error) error = errno;
    if (error) {
        ::unlink(target.c_str());
        return error == EEXIST ? EIO : error;
    }
    return 0;
}

}  // namespace


std::optional<ArchivedFile> ArchiveFile(const std::string& path, const Clock& clock) {
    return ArchiveFile(path, clock, [](const fs::path& p, std::error_code& ec) { fs::remove(p, ec); });
}

std::string originalLeftMessage(const std::string& path, const ArchivedFile& archive) {
    return "The totals file " + path + " is archived as " + archive.name + ", but it could not be deleted (" +
           archive.originalLeft.value_or("") +
           ").\nDelete it before the next start, or its totals are imported a second time.";
}

std::optional<ArchivedFile> ArchiveFile(const std::string& path, const Clock& clock,
                                        const RemoveFile& removeOriginal) {
    try {
        fs::path source = paths::map(path);
        std::optional<std::string> bytes = readWhole(source);
        if (!bytes) return std::nullopt;
        std::string base = archiveName(path, clock.now());
        for (int n = 0; n < 1000; ++n) {
            std::string name = n == 0 ? base : base + "." + std::to_string(n);
            fs::path target = paths::map(name);
            int error = writeNew(target, *bytes);
            if (error == EEXIST) continue;
            if (error) return std::nullopt;
            std::optional<std::string> copy = readWhole(target);
            if (!copy || *copy != *bytes) {
                fs::remove(target);
                return std::nullopt;
            }
            // If only this fails, both files remain: nothing is lost, but the caller must say so.
            std::error_code ec;
            removeOriginal(source, ec);
            ArchivedFile archived{name, {}};
            if (ec) archived.originalLeft = ec.message();
            return archived;
        }
    } catch (const std::exception&) {
        // Archiving never disturbs the import: it is silent, and the totals file stays.
    }
    return std::nullopt;
}

}  // namespace ztl
