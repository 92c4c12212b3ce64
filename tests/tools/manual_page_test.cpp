// The manual pages' generator: what a source may hold, the usage lines it gives the
// program, and roff that shows the text as written.
#include <gtest/gtest.h>

#include "manual_page.h"

namespace {

using ztl::manual::parseManualSource;
using ztl::manual::renderRoff;
using ztl::manual::renderUsageHeader;
using ztl::manual::SourceError;

const std::string kHead = "ztl(1) -- the command-line companion\n";
const std::string kCommands = "# COMMANDS\n## totals FILE\nPrints it.\n";

bool contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

TEST(ManualPage, ASourceThatBreaksTheRulesNamesTheLine) {
    struct Case {
        std::string source;
        int line;
        const char* message;
    } cases[] = {
        {"", 1, "first line"},
        {"ztl -- no section\n" + kCommands, 1, "first line"},
        {"ztl(1) --\n" + kCommands, 1, "first line"},
        {kHead + "text before any section\n" + kCommands, 2, "before the first # section"},
        {kHead + "# COMMANDS\n## \n", 3, "needs its text"},
        {kHead + "# \n" + kCommands, 2, "title"},
        {kHead + "# SYNOPSIS\n" + kCommands, 2, "made from"},
        {kHead + "# NAME\n" + kCommands, 2, "made from"},
        {kHead + kCommands + "### deeper\n", 5, "only # sections"},
        {kHead + kCommands + "\nsee `ztl\nand more\n", 6, "not closed"},
        {kHead + kCommands + "text\n    indented at once\n", 6, "empty line"},
        {kHead + "# DESCRIPTION\nNo commands at all.\n", 3, "no usage lines"},
        {kHead + "# DESCRIPTION\n## a term, not a usage line\n", 3, "no usage lines"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.source);
        try {
            parseManualSource(c.source);
            ADD_FAILURE() << "accepted";
        } catch (const SourceError& e) {
            EXPECT_EQ(e.line, c.line) << e.what();
            EXPECT_TRUE(contains(e.what(), c.message)) << e.what();
        }
    }
}

TEST(ManualPage, UsageLinesAreTheCommandsTermsInOrder) {
    auto page = parseManualSource(kHead +
                                  "# DESCRIPTION\r\nText.\r\n\r\n"
                                  "# COMMANDS\r\n## settings get KEY\r\n## settings set KEY VALUE\r\n"
                                  "Both.\r\n\r\n## --version\r\n"
                                  "# ENVIRONMENT\r\n## ZENTREL_QUICKBOOKS\r\nNot a usage line.\r\n");
    EXPECT_EQ(page.program, "ztl");
    EXPECT_EQ(page.section, "1");
    EXPECT_EQ(page.summary, "the command-line companion");
    EXPECT_EQ(page.usageLines(),
              (std::vector<std::string>{"settings get KEY", "settings set KEY VALUE", "--version"}));

    // The program compiles these in: quotes and backslashes must survive as C++ literals.
    auto quoted = parseManualSource(kHead + "# COMMANDS\n## set KEY \"C:\\QB\"\n");
    EXPECT_TRUE(contains(renderUsageHeader(quoted, "ztl.1.md"), R"("set KEY \"C:\\QB\"",)"))
        << renderUsageHeader(quoted, "ztl.1.md");
}

TEST(ManualPage, RoffShowsTheTextAsWritten) {
    const std::string roff = renderRoff(
        parseManualSource(kHead +
                          "# DESCRIPTION\n"
                          ".dotted start and a \\\\SERVER\\share path,\n"
                          "'quoted start of a line is joined\n\n"
                          "'quoted start of a paragraph, `--no-archive` in bold\n\n"
                          "    .indented\n\n"
                          "    kept apart by an empty line\n"
                          "- an item\n"
                          "  that goes on\n"
                          "# COMMANDS\n"
                          "## store keys NAME [--from KEY]\n"
                          "## store info\n"
                          "First.\n\n"
                          "Second.\n\n"
                          "    verbatim under a term\n"),
        "5.1.1");
    for (const char* want : {
             ".TH ZTL 1 \"\" \"Zentrel 5.1.1\" \"Zentrel\"\n",
             ".SH NAME\nztl \\- the command\\-line companion\n",
             // The synopsis: typed words bold, what is filled in italic, brackets plain.
             ".SH SYNOPSIS\n.nf\n\\fBztl\\fR \\fBstore\\fR \\fBkeys\\fR \\fINAME\\fR [\\fB\\-\\-from\\fR \\fIKEY\\fR]\n"
             "\\fBztl\\fR \\fBstore\\fR \\fBinfo\\fR\n.fi\n",
             // A dot or quote at a line's start is text, a backslash is shown, lines join.
             ".PP\n\\&.dotted start and a \\e\\eSERVER\\eshare path, 'quoted start of a line is joined\n",
             ".PP\n\\&'quoted start of a paragraph, \\fB\\-\\-no\\-archive\\fR in bold\n",
             ".PP\n.RS 4\n.nf\n\\&.indented\n\nkept apart by an empty line\n.fi\n.RE\n",
             ".IP \\(bu 2\nan item that goes on\n",
             // Two terms share one text; the text's later paragraphs keep the term's indent.
             ".TP\n\\fBztl\\fR \\fBstore\\fR \\fBkeys\\fR \\fINAME\\fR [\\fB\\-\\-from\\fR \\fIKEY\\fR]\n"
             ".TQ\n\\fBztl\\fR \\fBstore\\fR \\fBinfo\\fR\nFirst.\n.IP\nSecond.\n.IP\n.nf\nverbatim under a term\n.fi\n",
         })
        EXPECT_TRUE(contains(roff, want)) << "missing:\n" << want << "\nin:\n" << roff;
}

}  // namespace
