#include "ui/ms_startup.h"

#include "platform/error_report.h"
#include "ui/frm_splash.h"
#include "ui/frm_ztl_main.h"
#include "ui/startup_error.h"
#include "ui/window_program.h"

namespace ztl::ui {

std::unique_ptr<frmZTLMain> SubMain(Program& program, StandardDialogs& dialogs,
                                    const std::vector<std::string>& arguments) {
    if (!isLaunchCommandLine(arguments)) {
        program.showMessage(launchRefusalText(), MsgIcon::Information, MsgButtons::OK, "ZentrelMS");
        return nullptr;
    }
    std::unique_ptr<frmSplash> splash;
    std::unique_ptr<frmZTLMain> main;
    try {
        splash = std::make_unique<frmSplash>("Multi Store");
        program.splash = splash.get();
        splash->showPainted();

        main = std::make_unique<frmZTLMain>(program, dialogs);
        program.mainWindow = main.get();
        ms::LoadOutcome outcome = main->Load();
        program.splash = nullptr;
        splash->close();
        if (outcome == ms::LoadOutcome::EndProgram) {
            program.mainWindow = nullptr;
            return nullptr;
        }
        main->show();
        return main;
    } catch (const std::exception& ex) {
        program.splash = nullptr;
        program.showMessage(moduleErrorReport("Error in Sub Main", toVbError(ex)));
        return keepOpenWindows(std::move(splash), std::move(main));
    }
}

int runZentrelMS(int argc, char** argv) {
    return runWindowProgram(argc, argv, Edition::MultiStore, "ZentrelMS", "zentrelms",
                            [](Program& program, StandardDialogs& dialogs,
                               const std::vector<std::string>& arguments) -> std::unique_ptr<QWidget> {
                                return SubMain(program, dialogs, arguments);
                            });
}

}  // namespace ztl::ui
