#include "console.h"

#include <algorithm>
#include <iostream>

#include "engine/import/print_demand.h"
#include "failure_notes.h"
#include "platform/paths.h"
#include "platform/text_file.h"
#include "platform/vb_error.h"

namespace ztl::cli {

MsgResult ConsolePrompter::show(const MessageBox& box) {
    ++shown_;
    failureNotes().box(box.text);
    return defaultAnswer(box.buttons);
}

void ConsoleResultsWindow::showModal() {
    std::cout << "== " << caption_ << "\n";
    try {
        std::cout << readWholeFile(path_);
    } catch (const VbError& e) {
        std::cout << path_ << ": " << e.description << "\n";
    }
    std::cout.flush();
    // The window's demand to click OK for the printout has no place on a terminal: the same
    // demand, with the step that takes here.
    if (printoutDemanded_)
        program_.showMessage(
            kPrintDemand + ("Print it with: lp " + path_) +
                "\nThe import error procedure, with this day's commands, comes before the summary below.",
            MsgIcon::Exclamation);
}

ConsoleProgram::ConsoleProgram(Edition edition) : program(edition) {
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
