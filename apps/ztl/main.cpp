// ztl: the command-line companion. Runs what the programs run, without a window.
#include <cstdio>
#include <iostream>
#include <string_view>

#include "command.h"
#include "failure_notes.h"
#include "platform/version.h"
#include "ztl_usage.h"

namespace ztl::cli {
namespace {

std::string_view firstWord(std::string_view line) {
    return line.substr(0, line.find(' '));
}

// The usage lines in the manual's order; a command the manual lacks still shows, marked,
// so a new command cannot hide from its page.
void printUsage(std::ostream& out) {
    out << "usage:\n";
    for (std::string_view line : manual_page::kUsageLines) out << "  ztl " << line << "\n";
    for (const auto& c : commandTable()) {
        bool documented = false;
        for (std::string_view line : manual_page::kUsageLines) documented |= firstWord(line) == c.name;
        if (!documented) out << "  ztl " << c.name << "   (not in the manual)\n";
    }
}

}  // namespace

std::vector<RegisteredCommand>& commandTable() {
    static std::vector<RegisteredCommand> table;
    return table;
}

ZtlCommand::ZtlCommand(const char* name, CommandFn fn) {
    commandTable().push_back({name, fn});
}

int usageError(const std::string& command, const std::string& message) {
    std::cerr << "ztl: " << message << "\n";
    for (std::string_view line : manual_page::kUsageLines)
        if (firstWord(line) == command) std::cerr << "usage: ztl " << line << "\n";
    return 2;
}

}  // namespace ztl::cli

int main(int argc, char** argv) {
    using namespace ztl::cli;
    std::vector<std::string> args(argv + 1, argv + argc);
    if (args.empty()) {
        printUsage(std::cerr);
        return 2;
    }
    if (args[0] == "--help" || args[0] == "help") {
        printUsage(std::cout);
        return 0;
    }
    if (args[0] == "--version") {
        std::cout << "ztl " << ztl::kVersionText << "\n";
        return 0;
    }
    for (const auto& c : commandTable()) {
        if (c.name == args[0]) {
            std::vector<std::string> rest(args.begin() + 1, args.end());
            int status = 1;
            try {
                status = c.fn(rest);
            } catch (const std::exception& e) {
                failureNotes().line(std::string("ztl: ") + e.what());
            }
            failureNotes().finish();
            return status;
        }
    }
    return usageError(args[0], "unknown command '" + args[0] + "'");
}
