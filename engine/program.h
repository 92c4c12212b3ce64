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
    Edition edition = Edition::MultiStore;
    std::string title = "ZentrelMS";  // the caption of message boxes that name none

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

    // Windows the engine drives; null when there is no such window.
    SplashProgressView* splash = nullptr;
    ImportRunView* mainWindow = nullptr;
    ResultsWindowFactory* resultsWindows = nullptr;

    // Shows a message box; an empty title means the program's title.
    MsgResult showMessage(const std::string& text, MsgIcon icon = MsgIcon::None,
                          MsgButtons buttons = MsgButtons::OK, const std::string& boxTitle = {});
};

}  // namespace ztl
