#pragma once
// Programs run as an operator or a script runs them: a shell command with its standard
// output and error caught in files, and what came back.
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace ztl::testsupport {

struct CommandResult {
    int status;  // the exit status; -1 when the command did not exit by itself
    std::string out, err;
};

inline std::string slurp(const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

// Runs `command` (already holding its `cd` and environment) with nothing on its standard
// input and its output into `out` and `err`, which are then read back.
inline CommandResult runShell(const std::string& command, const std::filesystem::path& out,
                              const std::filesystem::path& err) {
    std::string full = "(" + command + ") >'" + out.string() + "' 2>'" + err.string() + "' </dev/null";
    int raw = std::system(full.c_str());
    return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, slurp(out), slurp(err)};
}

}  // namespace ztl::testsupport
