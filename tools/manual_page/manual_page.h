#pragma once
// A command-line program's manual, kept in one plain-text source beside the program, and the
// two things made from it at build time: the manual page (roff, for `man`) and the usage
// lines the program itself prints. Both come from the same source, so they cannot disagree.
//
// The source:
//
//     ztl(1) -- the command-line companion of Zentrel      <- name, section, one-line summary
//
//     # DESCRIPTION                                          <- a section
//     Text; lines run together into a paragraph, an empty line ends it.
//     `literal` is set in bold.
//
//         an indented line (4 blanks) is shown as written
//
//     - a list item
//
//     # COMMANDS
//     ## totals [--single-store] FILE                        <- one usage line of the program
//     What it does. Consecutive ## lines share the text after them.
//
// Every `##` line under COMMANDS is a usage line: the page's SYNOPSIS lists them, prefixed
// with the program's name, and the program prints them as its help. Under any other
// section, `##` lines are terms with their explanation (an environment variable, a file).
#include <stdexcept>
#include <string>
#include <vector>

namespace ztl::manual {

// A source that does not follow the rules above; `line` counts from 1.
struct SourceError : std::runtime_error {
    SourceError(int line, const std::string& message);
    int line;
};

struct Block {
    enum class Kind { Paragraph, Verbatim, ListItem, Term };
    Kind kind;
    std::vector<std::string> lines;  // a paragraph's or list item's lines, a verbatim block's, one term
};

struct Section {
    std::string title;
    std::vector<Block> blocks;
};

struct ManualPage {
    std::string program;   // "ztl"
    std::string section;   // "1"
    std::string summary;   // "the command-line companion of Zentrel"
    std::vector<Section> sections;

    // The `##` lines under COMMANDS, in order, without the program's name.
    std::vector<std::string> usageLines() const;
};

ManualPage parseManualSource(const std::string& text);

// The page in the man macros; `version` goes into its footer ("Zentrel 5.1.1").
std::string renderRoff(const ManualPage& page, const std::string& version);

// A C++ header with the usage lines, for the program to print:
//   inline constexpr std::string_view kUsageLines[] = {"totals [--single-store] FILE", ...};
std::string renderUsageHeader(const ManualPage& page, const std::string& sourceName);

}  // namespace ztl::manual
