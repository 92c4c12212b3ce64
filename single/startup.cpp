#include "single/startup.h"

#include "engine/company/operation_log.h"
#include "platform/error_report.h"
#include "platform/paths.h"
#include "single/frm_ztl_main.h"
#include "engine/company/operation_log_entries.h"
#include "ui/frm_splash.h"
#include "ui/logic/launch_token.h"
#include "ui/startup_error.h"
#include "ui/window_program.h"

namespace ztl::single {

std::unique_ptr<frmZTLMain> SubMain(Program& program, ui::StandardDialogs& dialogs,
                                    const std::vector<std::string>& arguments) {
    if (!ui::isLaunchCommandLine(arguments)) {
        program.showMessage(ui::launchRefusalText(), MsgIcon::Information);
        return nullptr;
    }
    program.operationLogPath = paths::stateFolder() / kOperationLogName;
    std::unique_ptr<ui::frmSplash> splash;
    std::unique_ptr<frmZTLMain> main;
    try {
        splash = std::make_unique<ui::frmSplash>(QString());
        program.splash = splash.get();
        splash->showPainted();

        main = std::make_unique<frmZTLMain>(program, dialogs);
        program.mainWindow = main.get();
        LoadOutcome outcome = main->Load();
        program.splash = nullptr;
        splash->close();
        if (outcome == LoadOutcome::EndProgram) return nullptr;  // the window unloads as it goes
        main->show();
        return main;
    } catch (const std::exception& ex) {
        program.splash = nullptr;
        std::string text = moduleErrorReport("Error in Sub Main", toVbError(ex));
        program.showMessage(text);
        if (program.clock) appendOperationLog(program.operationLogPath, errorEntry(*program.clock, text));
        return ui::keepOpenWindows(std::move(splash), std::move(main));
    }
}

int runZentrel(int argc, char** argv) {
    return ui::runWindowProgram(argc, argv, Edition::SingleStore, "Zentrel", "zentrel",
                                [](Program& program, ui::StandardDialogs& dialogs,
                                   const std::vector<std::string>& arguments) -> std::unique_ptr<QWidget> {
                                    return SubMain(program, dialogs, arguments);
                                });
}

}  // namespace ztl::single
