#pragma once
// Single-byte text files, as the store system and the import log use them. Bytes are kept
// exactly as read; lines are written with CR LF. A line read ends at CR LF, at a CR alone
// (the line end of the platform the store system was written for) or at LF (files made on
// Linux). Failures are VbErrors with Visual Basic's file error numbers (53, 57, 61, 62,
// 70, 75, 76, ...).
#include <filesystem>
#include <istream>
#include <memory>
#include <string>
#include <string_view>

namespace ztl {

// Line-by-line reading with "Line Input" semantics: the last line need not end in a line
// break, and reading when no line is left is error 62 "Input past end of file".
class TextReader {
  public:
    explicit TextReader(const std::filesystem::path& path);  // throws 53/76/70/75
    // Reads bytes held in memory exactly as a file of these bytes would read.
    static TextReader fromBytes(std::string bytes);

    bool atEnd();
    std::string readLine();  // without its line end; throws 62 at the end

  private:
    TextReader() = default;
    std::unique_ptr<std::istream> in_;
};

// A text file created anew (replacing an old one), created only where none exists yet, or
// appended to, and written line by line. Bytes collect in a buffer of the writer's own until flush(), sync()
// or close(); a failed write drops the bytes not yet written, as they could not go anywhere.
class TextWriter {
  public:
    // CreateNew fails with 58 "File already exists" when the name is taken; the test and the
    // create are one step, also on a network share, so of two writers only one succeeds.
    enum class Mode { Replace, CreateNew, Append };
    explicit TextWriter(const std::filesystem::path& path, Mode mode = Mode::Replace);  // throws 58/76/70/75
    ~TextWriter();  // closes; a failure then is not reported
    TextWriter(const TextWriter&) = delete;
    TextWriter& operator=(const TextWriter&) = delete;

    void writeLine(std::string_view line);  // the line and CR LF
    void write(std::string_view text);      // exactly these bytes
    // Hands the buffered bytes to the operating system: they survive the end of the program.
    void flush();
    // flush(), then waits until the device holds them: they survive the machine's end too.
    // A file that cannot be synchronised (a pipe, a device) counts as written.
    void sync();
    void close();
    bool isOpen() const { return fd_ >= 0; }

  private:
    int fd_ = -1;
    std::string buffer_;
};

// The whole file as bytes; throws like TextReader.
std::string readWholeFile(const std::filesystem::path& path);
// Appends the text and CR LF to the file, creating it when missing; throws like TextWriter.
void appendLine(const std::filesystem::path& path, std::string_view line);
// Replaces the file with exactly these bytes; throws like TextWriter.
void writeWholeFile(const std::filesystem::path& path, std::string_view bytes);

}  // namespace ztl
