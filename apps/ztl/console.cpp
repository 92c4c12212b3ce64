#include "console.h"

#include <algorithm>
#include <iostream>

#include "platform/paths.h"

namespace ztl::cli {

MsgResult ConsolePrompter::show(const MessageBox& box) {
    ++shown_;
    std::cerr << box.text << "\n\n";
    std::cerr.flush();
    return defaultAnswer(box.buttons);
}

ConsoleProgram::ConsoleProgram(Edition edition) {
    program.edition = edition;
    program.title = edition == Edition::SingleStore ? "Zentrel" : "ZentrelMS";
    program.prompter = &prompter;
    program.clock = &clock;
    program.installFolder = paths::stateFolder();
}

std::string takeOption(std::vector<std::string>& args, const std::string& name, bool& missing) {
    auto it = std::find(args.begin(), args.end(), name);
    if (it == args.end()) return {};
    if (it + 1 == args.end()) {
        missing = true;
        args.erase(it);
        return {};
    }
    std::string value = *(it + 1);
    args.erase(it, it + 2);
    return value;
}

bool takeFlag(std::vector<std::string>& args, const std::string& name) {
    auto it = std::find(args.begin(), args.end(), name);
    if (it == args.end()) return false;
    args.erase(it);
    return true;
}

}  // namespace ztl::cli
