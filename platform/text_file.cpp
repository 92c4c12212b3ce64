#include "text_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <fstream>
#include <sstream>
#include <system_error>

#include "os_error.h"
#include "vb_error.h"

namespace fs = std::filesystem;

namespace ztl {
namespace {

// Bytes a writer collects before it hands them on by itself.
constexpr size_t kWriteBuffer = 64 * 1024;

// Chooses the VB error for a file that could not be opened, from what the file system says
// about the path (errno of a failed stream open is not reliable across libraries).
long openFailureNumber(const fs::path& path, bool forWriting) {
    std::error_code ec;
    fs::path parent = path.parent_path();
    if (!parent.empty() && !fs::is_directory(parent, ec)) return vb::kPathNotFound;
    if (fs::is_directory(path, ec)) return vb::kPathFileAccessError;
    if (!forWriting && !fs::exists(path, ec)) return vb::kFileNotFound;
    return vb::kPermissionDenied;
}

}  // namespace

TextReader::TextReader(const fs::path& path) {
    std::error_code ec;
    if (fs::is_directory(path, ec)) throw vbError(vb::kPathFileAccessError);
    auto file = std::make_unique<std::ifstream>(path, std::ios::binary);
    if (!*file) throw vbError(openFailureNumber(path, false));
    in_ = std::move(file);
}

TextReader TextReader::fromBytes(std::string bytes) {
    TextReader r;
    r.in_ = std::make_unique<std::istringstream>(std::move(bytes), std::ios::binary);
    return r;
}

bool TextReader::atEnd() {
    return in_->rdbuf()->sgetc() == std::istream::traits_type::eof();
}

std::string TextReader::readLine() {
    using traits = std::istream::traits_type;
    if (atEnd()) throw vbError(vb::kInputPastEndOfFile);
    std::streambuf& in = *in_->rdbuf();
    std::string line;
    for (auto c = in.sbumpc(); c != traits::eof(); c = in.sbumpc()) {
        if (c == '\n') break;
        if (c == '\r') {
            if (in.sgetc() == '\n') in.sbumpc();
            break;
        }
        line.push_back(traits::to_char_type(c));
    }
    return line;
}

TextWriter::TextWriter(const fs::path& path, Mode mode) {
    std::error_code ec;
    if (fs::is_directory(path, ec)) throw vbError(vb::kPathFileAccessError);
    int flags = O_WRONLY | O_CREAT | O_CLOEXEC;
    if (mode == Mode::Replace) flags |= O_TRUNC;
    if (mode == Mode::CreateNew) flags |= O_EXCL;
    if (mode == Mode::Append) flags |= O_APPEND;
    // A file replaced by truncation makes the file system flush the old blocks at close;
    // a new file written in place of a removed one does not. Debug copies are rewritten for
    // every transaction, so this matters. A link or a device is written through, not replaced.
    if (mode == Mode::Replace && fs::is_regular_file(fs::symlink_status(path, ec))) fs::remove(path, ec);
    do {
        fd_ = ::open(path.c_str(), flags, 0666);
    } while (fd_ < 0 && errno == EINTR);
    if (fd_ < 0 && errno == EEXIST && mode == Mode::CreateNew) throw vbError(vb::kFileAlreadyExists);
    if (fd_ < 0) throw vbError(openFailureNumber(path, true));
}

TextWriter::~TextWriter() {
    try {
        close();
    } catch (const VbError&) {
        // Nobody is left to tell: whoever needed to know called close() and heard.
    }
}

void TextWriter::write(std::string_view text) {
    if (fd_ < 0) throw vbError(vb::kBadFileNameOrNumber);
    buffer_.append(text);
    if (buffer_.size() >= kWriteBuffer) flush();
}

void TextWriter::writeLine(std::string_view line) {
    write(line);
    write("\r\n");
}

void TextWriter::flush() {
    if (fd_ < 0) return;
    size_t done = 0;
    while (done < buffer_.size()) {
        ssize_t n = ::write(fd_, buffer_.data() + done, buffer_.size() - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            int err = errno;
            buffer_.clear();
            throw vbErrorOfErrno(err);
        }
        done += static_cast<size_t>(n);
    }
    buffer_.clear();
}

void TextWriter::sync() {
    flush();
    if (fd_ < 0) return;
    if (::fsync(fd_) != 0 && errno != EINVAL && errno != EROFS && errno != ENOTSUP)
        throw vbErrorOfErrno(errno);
}

void TextWriter::close() {
    if (fd_ < 0) return;
    const int fd = fd_;
    try {
        flush();
    } catch (const VbError&) {
        fd_ = -1;
        ::close(fd);
        throw;
    }
    fd_ = -1;
    // A network share may report a failed write only when the file is closed.
    if (::close(fd) != 0 && errno != EINTR) throw vbErrorOfErrno(errno);
}

std::string readWholeFile(const fs::path& path) {
    std::error_code ec;
    if (fs::is_directory(path, ec)) throw vbError(vb::kPathFileAccessError);
    std::ifstream in(path, std::ios::binary);
    if (!in) throw vbError(openFailureNumber(path, false));
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad()) throw vbError(vb::kDeviceIOError);
    return bytes;
}

void appendLine(const fs::path& path, std::string_view line) {
    TextWriter w(path, TextWriter::Mode::Append);
    w.writeLine(line);
    w.close();
}

void writeWholeFile(const fs::path& path, std::string_view bytes) {
    TextWriter w(path);
    w.write(bytes);
    w.close();
}

}  // namespace ztl
