#pragma once
// The ztl command table. Each command lives in its own cmd_*.cpp and registers itself with
// a static ZtlCommand object; main() dispatches on the first argument. A command's usage
// lines are those of its manual page (ztl.1.md), so help, errors and `man ztl` agree.
#include <string>
#include <vector>

namespace ztl::cli {

using CommandFn = int (*)(const std::vector<std::string>& args);

struct ZtlCommand {
    ZtlCommand(const char* name, CommandFn fn);
};

struct RegisteredCommand {
    std::string name;
    CommandFn fn;
};

std::vector<RegisteredCommand>& commandTable();

// Prints "ztl: <message>" and the command's usage lines to standard error; returns exit status 2.
int usageError(const std::string& command, const std::string& message);

}  // namespace ztl::cli
