// ztl: the command-line companion. Runs what the programs run, without a window.
#include <cstdio>
#include <iostream>

#include "command.h"

namespace ztl::cli {

std::vector<RegisteredCommand>& commandTable() {
    static std::vector<RegisteredCommand> table;
    return table;
}

ZtlCommand::ZtlCommand(const char* name, const char* usage, CommandFn fn) {
    commandTable().push_back({name, usage, fn});
}

int usageError(const std::string& command, const std::string& message) {
    std::cerr << "ztl: " << message << "\n";
    for (const auto& c : commandTable())
        if (c.name == command) std::cerr << "usage: ztl " << c.usage << "\n";
    return 2;
}

}  // namespace ztl::cli

int main(int argc, char** argv) {
    using namespace ztl::cli;
    std::vector<std::string> args(argv + 1, argv + argc);
    if (args.empty() || args[0] == "--help" || args[0] == "help") {
        std::cerr << "usage:\n";
        for (const auto& c : commandTable()) std::cerr << "  ztl " << c.usage << "\n";
        return args.empty() ? 2 : 0;
    }
    for (const auto& c : commandTable()) {
        if (c.name == args[0]) {
            std::vector<std::string> rest(args.begin() + 1, args.end());
            try {
                return c.fn(rest);
            } catch (const std::exception& e) {
                std::cerr << "ztl: " << e.what() << "\n";
                return 1;
            }
        }
    }
    return usageError(args[0], "unknown command '" + args[0] + "'");
}
