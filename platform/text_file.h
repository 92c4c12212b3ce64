#pragma once
// Single-byte text files, as the store system and the import log use them. Bytes are kept
// exactly as read; lines are written with CR LF and read with CR LF or LF. Failures are
// VbErrors with Visual Basic's file error numbers (53, 62, 70, 75, 76, ...).
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>

namespace ztl {

// Line-by-line reading with "Line Input" semantics: the last line need not end in a line
// break, and reading when no line is left is error 62 "Input past end of file".
class TextReader {
  public:
    explicit TextReader(const std::filesystem::path& path);  // throws 53/76/70/75
    bool atEnd();
    std::string readLine();  // without its line break; throws 62 at the end

  private:
    std::ifstream in_;
};

// A text file created anew (replacing an old one) and written line by line.
class TextWriter {
  public:
    explicit TextWriter(const std::filesystem::path& path);  // throws 76/70/75
    ~TextWriter();
    TextWriter(const TextWriter&) = delete;
    TextWriter& operator=(const TextWriter&) = delete;

    void writeLine(std::string_view line);  // the line and CR LF
    void write(std::string_view text);      // exactly these bytes
    void flush();                           // throws 61 when the data could not be written
    void close();                           // throws 61 when the data could not be written
    bool isOpen() const { return out_.is_open(); }

  private:
    std::ofstream out_;
};

// The whole file as bytes; throws like TextReader.
std::string readWholeFile(const std::filesystem::path& path);
// Appends the text and CR LF to the file, creating it when missing; throws like TextWriter.
void appendLine(const std::filesystem::path& path, std::string_view line);
// Replaces the file with exactly these bytes; throws like TextWriter.
void writeWholeFile(const std::filesystem::path& path, std::string_view bytes);

}  // namespace ztl
