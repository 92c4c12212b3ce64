#include "manual_page.h"

#include <algorithm>
#include <cctype>
#include <regex>
#include <sstream>

namespace ztl::manual {

SourceError::SourceError(int l, const std::string& message)
    : std::runtime_error("line " + std::to_string(l) + ": " + message), line(l) {}

namespace {

constexpr const char* kCommands = "COMMANDS";

bool isBlank(const std::string& s) {
    return s.find_first_not_of(" \t\r") == std::string::npos;
}

std::string trimmed(const std::string& s) {
    auto b = s.find_first_not_of(" \t\r");
    if (b == std::string::npos) return {};
    auto e = s.find_last_not_of(" \t\r");
    return s.substr(b, e - b + 1);
}

std::string withoutCr(std::string s) {
    if (!s.empty() && s.back() == '\r') s.pop_back();
    return s;
}

// What roff would take for its own: a backslash starts an escape, a hyphen may be set as a
// hyphen rather than the minus an option needs, and a line starting with a dot or a quote
// is a request.
std::string escaped(const std::string& s) {
    std::string out;
    for (char c : s) {
        if (c == '\\')
            out += "\\e";
        else if (c == '-')
            out += "\\-";
        else
            out += c;
    }
    return out;
}

std::string safeLineStart(std::string line) {
    if (!line.empty() && (line[0] == '.' || line[0] == '\'')) line.insert(0, "\\&");
    return line;
}

// Running text: `literal` in bold.
std::string inlineText(const std::string& s) {
    std::string out;
    bool bold = false;
    std::string run;
    for (char c : s) {
        if (c == '`') {
            out += escaped(run);
            run.clear();
            out += bold ? "\\fR" : "\\fB";
            bold = !bold;
        } else {
            run += c;
        }
    }
    out += escaped(run);
    return safeLineStart(out);
}

bool isUsagePunctuation(char c) {
    return c == '[' || c == ']' || c == '|' || c == '{' || c == '}' || c == '(' || c == ')' || c == ',';
}

// A usage line as man pages set one: what is typed as written in bold, what the operator
// fills in (FILE, HOST:PORT) in italics, brackets and bars plain.
std::string usageText(const std::string& s) {
    std::string out;
    std::size_t i = 0;
    while (i < s.size()) {
        char c = s[i];
        if (c == ' ' || isUsagePunctuation(c)) {
            out += c;
            ++i;
            continue;
        }
        std::size_t j = i;
        while (j < s.size() && s[j] != ' ' && !isUsagePunctuation(s[j])) ++j;
        std::string word = s.substr(i, j - i);
        bool placeholder = std::isupper(static_cast<unsigned char>(word[0])) != 0;
        out += (placeholder ? "\\fI" : "\\fB") + escaped(word) + "\\fR";
        i = j;
    }
    return safeLineStart(out);
}

std::string upper(std::string s) {
    for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

std::string cppLiteral(const std::string& s) {
    std::string out = "\"";
    for (char c : s) {
        if (c == '\\' || c == '"') out += '\\';
        out += c;
    }
    return out + "\"";
}

}  // namespace

std::vector<std::string> ManualPage::usageLines() const {
    std::vector<std::string> lines;
    for (const auto& s : sections)
        if (s.title == kCommands)
            for (const auto& b : s.blocks)
                if (b.kind == Block::Kind::Term) lines.push_back(b.lines.front());
    return lines;
}

ManualPage parseManualSource(const std::string& text) {
    std::vector<std::string> lines;
    {
        std::istringstream in(text);
        std::string l;
        while (std::getline(in, l)) lines.push_back(withoutCr(l));
    }
    ManualPage page;
    static const std::regex title(R"(^([A-Za-z0-9_.+-]+)\(([0-9][a-z]*)\) -- (.*\S)\s*$)");
    std::smatch m;
    if (lines.empty() || !std::regex_match(lines[0], m, title))
        throw SourceError(1, "the first line must be \"NAME(SECTION) -- summary\"");
    page.program = m[1];
    page.section = m[2];
    page.summary = m[3];

    // The block lines are being added to, if it may take more: a paragraph or list item
    // takes running text, a verbatim block takes indented lines (and the empty ones between).
    Block* open = nullptr;
    int openLine = 0;
    std::size_t blanksInVerbatim = 0;
    auto close = [&] {
        if (open && open->kind != Block::Kind::Verbatim) {
            std::string all;
            for (const auto& l : open->lines) all += l;
            if (std::count(all.begin(), all.end(), '`') % 2 != 0)
                throw SourceError(openLine, "a ` is not closed");
        }
        open = nullptr;
        blanksInVerbatim = 0;
    };
    auto start = [&](Block::Kind kind, std::string first, int n) -> Block& {
        close();
        if (page.sections.empty()) throw SourceError(n, "text before the first # section");
        auto& blocks = page.sections.back().blocks;
        blocks.push_back({kind, {std::move(first)}});
        open = kind == Block::Kind::Term ? nullptr : &blocks.back();
        openLine = n;
        return blocks.back();
    };

    for (std::size_t i = 1; i < lines.size(); ++i) {
        const std::string& l = lines[i];
        const int n = static_cast<int>(i) + 1;
        if (isBlank(l)) {
            if (open && open->kind == Block::Kind::Verbatim)
                ++blanksInVerbatim;
            else
                close();
            continue;
        }
        if (l.rfind("    ", 0) == 0 || l[0] == '\t') {
            std::string v = l[0] == '\t' ? l.substr(1) : l.substr(4);
            if (open && open->kind == Block::Kind::Verbatim) {
                open->lines.insert(open->lines.end(), blanksInVerbatim, std::string());
                blanksInVerbatim = 0;
                open->lines.push_back(v);
            } else if (open) {
                throw SourceError(n, "an indented line right after text: leave an empty line before it");
            } else {
                start(Block::Kind::Verbatim, v, n);
            }
            continue;
        }
        if (open && open->kind == Block::Kind::Verbatim) close();
        if (l.rfind("## ", 0) == 0) {
            std::string term = trimmed(l.substr(3));
            if (term.empty()) throw SourceError(n, "a ## line needs its text");
            start(Block::Kind::Term, term, n);
        } else if (l.rfind("# ", 0) == 0) {
            close();
            std::string t = trimmed(l.substr(2));
            if (t.empty()) throw SourceError(n, "a # line needs the section's title");
            if (t == "NAME" || t == "SYNOPSIS")
                throw SourceError(n, "the " + t + " section is made from the first line and the " +
                                         std::string(kCommands) + " section");
            page.sections.push_back({t, {}});
        } else if (l[0] == '#') {
            throw SourceError(n, "only # sections and ## terms are known");
        } else if (l.rfind("- ", 0) == 0) {
            start(Block::Kind::ListItem, trimmed(l.substr(2)), n);
        } else if (open) {
            open->lines.push_back(trimmed(l));
        } else {
            start(Block::Kind::Paragraph, trimmed(l), n);
        }
    }
    close();
    if (page.usageLines().empty())
        throw SourceError(static_cast<int>(lines.size()),
                          "no usage lines: the " + std::string(kCommands) + " section needs a ## line");
    return page;
}

std::string renderRoff(const ManualPage& page, const std::string& version) {
    std::ostringstream out;
    out << ".\\\" Made at build time from the manual's source beside the program; edit that instead.\n";
    out << ".TH " << upper(page.program) << " " << page.section << " \"\" \"Zentrel " << version
        << "\" \"Zentrel\"\n";
    // Names such as ZENTREL_QUICKBOOKS and long paths must not be broken or spread out.
    out << ".nh\n.ad l\n";
    out << ".SH NAME\n" << escaped(page.program) << " \\- " << inlineText(page.summary) << "\n";
    out << ".SH SYNOPSIS\n.nf\n";
    for (const auto& u : page.usageLines()) out << usageText(page.program + " " + u) << "\n";
    out << ".fi\n";
    for (const auto& section : page.sections) {
        out << ".SH " << escaped(section.title) << "\n";
        const bool commands = section.title == kCommands;
        bool inTerms = false;        // from the first term on, text belongs to a term
        bool termJustOpened = false;  // the next block is the first thing under a term
        Block::Kind previous = Block::Kind::Paragraph;
        bool first = true;
        for (const auto& b : section.blocks) {
            switch (b.kind) {
                case Block::Kind::Term:
                    out << (!first && previous == Block::Kind::Term ? ".TQ\n" : ".TP\n");
                    out << (commands ? usageText(page.program + " " + b.lines.front())
                                     : usageText(b.lines.front()))
                        << "\n";
                    inTerms = true;
                    termJustOpened = true;
                    break;
                case Block::Kind::Paragraph: {
                    if (!termJustOpened) out << (inTerms ? ".IP\n" : ".PP\n");
                    std::string joined;
                    for (const auto& l : b.lines) joined += (joined.empty() ? "" : " ") + l;
                    out << inlineText(joined) << "\n";
                    termJustOpened = false;
                    break;
                }
                case Block::Kind::ListItem: {
                    std::string joined;
                    for (const auto& l : b.lines) joined += (joined.empty() ? "" : " ") + l;
                    out << ".IP \\(bu 2\n" << inlineText(joined) << "\n";
                    termJustOpened = false;
                    break;
                }
                case Block::Kind::Verbatim:
                    out << (inTerms ? ".IP\n" : ".PP\n.RS 4\n") << ".nf\n";
                    for (const auto& l : b.lines) out << safeLineStart(escaped(l)) << "\n";
                    out << ".fi\n" << (inTerms ? "" : ".RE\n");
                    termJustOpened = false;
                    break;
            }
            previous = b.kind;
            first = false;
        }
    }
    return out.str();
}

std::string renderUsageHeader(const ManualPage& page, const std::string& sourceName) {
    std::ostringstream out;
    out << "// Made at build time from " << sourceName << ": edit that file, not this one.\n"
        << "#pragma once\n#include <string_view>\n\nnamespace manual_page {\n\n"
        << "inline constexpr std::string_view kProgram = " << cppLiteral(page.program) << ";\n"
        << "// Each as the program's help prints it, after the program's name.\n"
        << "inline constexpr std::string_view kUsageLines[] = {\n";
    for (const auto& u : page.usageLines()) out << "    " << cppLiteral(u) << ",\n";
    out << "};\n\n}  // namespace manual_page\n";
    return out.str();
}

}  // namespace ztl::manual
