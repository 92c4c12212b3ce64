#pragma once
// Console stand-ins for what the programs show in windows: message boxes go to standard
// error (the text, then an empty line), and the exit status says whether any was shown.
#include <iostream>
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

// The main window's import controls on the terminal: each repainted caption and each
// repainted progress value of the import run on a line of its own on standard output.
class ConsoleImportView : public ImportRunView {
  public:
    void setStatusCaption(const std::string& caption) override { status_ = caption; }
    void repaintStatus() override { std::cout << status_ << std::endl; }
    void setDetailCaption(const std::string& caption) override { detail_ = caption; }
    void repaintDetail() override {
        if (!detail_.empty()) std::cout << detail_ << std::endl;
    }
    // The bar is hidden when the run has walked the whole file: on a terminal, where the last
    // step of an integer division leaves it short of its end, the end is said.
    void setProgressVisible(bool visible) override {
        if (visible_ && !visible && value_ < maximum_)
            std::cout << "progress " << maximum_ << " of " << maximum_ << std::endl;
        visible_ = visible;
    }
    void setProgressMaximum(double maximum) override { maximum_ = maximum; }
    void setProgressValue(double value) override { value_ = value; }
    void repaintProgress() override {
        if (visible_) std::cout << "progress " << value_ << " of " << maximum_ << std::endl;
    }
    void setImportEnabled(bool) override {}
    void setCancelCaption(const std::string&) override {}

  private:
    std::string status_, detail_;
    bool visible_ = false;
    double maximum_ = 100, value_ = 0;
};

// The results window on the terminal: its caption, then the log it was given; after a
// refused entry, the message the window shows before it demands the printout.
class ConsoleResultsWindow : public ResultsWindow {
  public:
    explicit ConsoleResultsWindow(Program& program) : program_(program) {}
    void loadFile(const std::string& path) override { path_ = path; }
    void setCaption(const std::string& caption) override { caption_ = caption; }
    void demandPrintout(bool demanded) override { printoutDemanded_ = demanded; }
    void showModal() override;

  private:
    Program& program_;
    std::string path_, caption_;
    bool printoutDemanded_ = false;
};

class ConsoleResultsFactory : public ResultsWindowFactory {
  public:
    explicit ConsoleResultsFactory(Program& program) : program_(program) {}
    std::unique_ptr<ResultsWindow> create() override {
        return std::make_unique<ConsoleResultsWindow>(program_);
    }

  private:
    Program& program_;
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
