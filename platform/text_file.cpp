#include "text_file.h"

#include <cerrno>
#include <system_error>

#include "vb_error.h"

namespace fs = std::filesystem;

namespace ztl {
namespace {

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
    in_.open(path, std::ios::binary);
    if (!in_) throw vbError(openFailureNumber(path, false));
}

bool TextReader::atEnd() {
    return in_.peek() == std::ifstream::traits_type::eof();
}

std::string TextReader::readLine() {
    if (atEnd()) throw vbError(vb::kInputPastEndOfFile);
    std::string line;
    std::getline(in_, line, '\n');
    if (in_.bad()) throw vbError(vb::kDeviceIOError);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    return line;
}

TextWriter::TextWriter(const fs::path& path) {
    std::error_code ec;
    if (fs::is_directory(path, ec)) throw vbError(vb::kPathFileAccessError);
    // A file replaced by truncation makes the file system flush the old blocks at close;
    // a new file written in place of a removed one does not. Debug copies are rewritten for
    // every transaction, so this matters.
    if (fs::is_regular_file(fs::symlink_status(path, ec))) fs::remove(path, ec);
    out_.open(path, std::ios::binary | std::ios::trunc);
    if (!out_) throw vbError(openFailureNumber(path, true));
}

TextWriter::~TextWriter() {
    if (out_.is_open()) out_.close();
}

void TextWriter::write(std::string_view text) {
    if (!out_.is_open()) throw vbError(vb::kBadFileNameOrNumber);
    out_.write(text.data(), static_cast<std::streamsize>(text.size()));
    if (!out_) throw vbError(vb::kDiskFull);
}

void TextWriter::writeLine(std::string_view line) {
    write(line);
    write("\r\n");
}

void TextWriter::flush() {
    if (!out_.is_open()) return;
    out_.flush();
    if (!out_) throw vbError(vb::kDiskFull);
}

void TextWriter::close() {
    if (!out_.is_open()) return;
    out_.flush();
    bool ok = static_cast<bool>(out_);
    out_.close();
    if (!ok || out_.fail()) throw vbError(vb::kDiskFull);
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
    std::error_code ec;
    if (fs::is_directory(path, ec)) throw vbError(vb::kPathFileAccessError);
    std::ofstream out(path, std::ios::binary | std::ios::app);
    if (!out) throw vbError(openFailureNumber(path, true));
    out.write(line.data(), static_cast<std::streamsize>(line.size()));
    out.write("\r\n", 2);
    out.close();
    if (out.fail()) throw vbError(vb::kDiskFull);
}

void writeWholeFile(const fs::path& path, std::string_view bytes) {
    TextWriter w(path);
    w.write(bytes);
    w.close();
}

}  // namespace ztl
