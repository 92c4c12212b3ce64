#pragma once
// The program context: the program-wide state of one running program and the services the
// engine calls out to. Each entry point creates one and passes it by reference; tests
// create as many as they like. Nothing of it is global.
#include <filesystem>
#include <memory>
#include <string>

#include "engine/views.h"
#include "platform/clock.h"
#include "platform/prompter.h"
#include "platform/request_processor.h"
#include "platform/settings_store.h"
#include "platform/text_file.h"

namespace ztl {

enum class Edition { MultiStore, SingleStore };

struct Program {
    Program() { setEdition(Edition::MultiStore); }
    explicit Program(Edition e) { setEdition(e); }

    // The edition decides the program's title and, in the single-store edition, the one
    // settings section of every company; the multi-store load sets the section per company.
    void setEdition(Edition e);

    Edition edition = Edition::MultiStore;
    std::string title;  // the caption of message boxes that name none

    // Services. The prompter, settings and clock must be set before the engine runs;
    // without a request processor factory no QuickBooks is reachable.
    Prompter* prompter = nullptr;
    SettingsStore* settings = nullptr;
    RequestProcessorFactory* processors = nullptr;
    const Clock* clock = nullptr;

    // Program-wide state.
    std::shared_ptr<RequestProcessor> requestProcessor;  // the one request processor reference
    bool importCancelled = false;
    bool ImportErrorFlag = false;
    std::string settingsSection;             // where the account settings of the current company live
    TextWriter* importLog = nullptr;         // the import log while a run has it open
    std::filesystem::path installFolder;     // where the debug copies go
    std::filesystem::path operationLogPath;  // single-store edition: "ztloperation.log"; empty: none

    // The duplicate guard. A run first asks QuickBooks which of its transactions it holds
    // already and sends none of those again, unless the operator chose to import unasked:
    // here for this program (ztl import --no-duplicate-check), or with the DuplicateCheck
    // setting "off".
    bool duplicateCheckOff = false;

    // Windows the engine drives; null when there is no such window.
    SplashProgressView* splash = nullptr;
    ImportRunView* mainWindow = nullptr;
    ResultsWindowFactory* resultsWindows = nullptr;

    // Shows a message box; an empty title means the program's title.
    MsgResult showMessage(const std::string& text, MsgIcon icon = MsgIcon::None,
                          MsgButtons buttons = MsgButtons::OK, const std::string& boxTitle = {});
};

// The program's one message path as a Prompter, for code that takes one (the store data
// engine): a box that names no title gets the program's.
class ProgramPrompter : public Prompter {
  public:
    explicit ProgramPrompter(Program& program) : program_(program) {}
    MsgResult show(const MessageBox& box) override {
        return program_.showMessage(box.text, box.icon, box.buttons, box.title);
    }

  private:
    Program& program_;
};

}  // namespace ztl
