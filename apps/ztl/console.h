#pragma once
// Console stand-ins for what the programs show in windows: message boxes go to standard
// error (the text, then an empty line), and the exit status says whether any was shown.
#include <memory>
#include <string>
#include <vector>

#include "engine/program.h"
#include "platform/clock.h"
#include "platform/prompter.h"

namespace ztl::cli {

class ConsolePrompter : public Prompter {
public:
    MsgResult show(const MessageBox& box) override;
    int shown() const { return shown_; }

private:
    int shown_ = 0;
};

// A Program for one ztl command: console prompter, real clock, the install folder where
// the programs keep their debug copies.
struct ConsoleProgram {
    ConsolePrompter prompter;
    SystemClock clock;
    Program program;
    explicit ConsoleProgram(Edition edition = Edition::MultiStore);
    // 0 when no message box was shown, 1 otherwise.
    int exitStatus() const { return prompter.shown() == 0 ? 0 : 1; }
};

// Takes "--name VALUE" out of args; empty when absent. Sets `missing` when the flag has no value.
std::string takeOption(std::vector<std::string>& args, const std::string& name, bool& missing);
// Takes "--name" out of args; true when it was there.
bool takeFlag(std::vector<std::string>& args, const std::string& name);

}  // namespace ztl::cli
