#include "single/startup.h"

#include <QApplication>

#include "engine/operation_log.h"
#include "platform/error_report.h"
#include "platform/paths.h"
#include "qbwc/quickbooks_from_environment.h"
#include "single/frm_ztl_main.h"
#include "single/logic/operation_log_entries.h"
#include "ui/frm_display.h"
#include "ui/frm_splash.h"
#include "ui/logic/launch_token.h"
#include "ui/qsettings_store.h"
#include "ui/qt_prompter.h"
#include "ui/standard_dialogs.h"

namespace ztl::single {

std::unique_ptr<frmZTLMain> SubMain(Program& program, ui::StandardDialogs& dialogs,
                                    const std::vector<std::string>& arguments) {
    program.operationLogPath = paths::stateFolder() / kOperationLogName;
    if (!ui::isLaunchCommandLine(arguments)) {
        program.showMessage(ui::launchRefusalText(), MsgIcon::Information);
        return nullptr;
    }
    std::unique_ptr<ui::frmSplash> splash;
    try {
        splash = std::make_unique<ui::frmSplash>(QString());
        program.splash = splash.get();
        splash->showPainted();

        auto main = std::make_unique<frmZTLMain>(program, dialogs);
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
        return nullptr;
    }
}

int runZentrel(int argc, char** argv) {
    std::vector<std::string> arguments(argv + 1, argv + argc);
    int qtArgc = 1;
    QApplication app(qtArgc, argv);
    QApplication::setApplicationName("Zentrel");
    QApplication::setDesktopFileName("zentrel");

    Program program(Edition::SingleStore);
    ui::QtPrompter prompter;
    ui::QtStandardDialogs dialogs;
    QSettingsStore settings;
    SystemClock clock;
    std::unique_ptr<RequestProcessorFactory> processors = processorFactoryFromEnvironment(settings);
    ui::ResultsWindows results(program, dialogs);
    program.prompter = &prompter;
    program.settings = &settings;
    program.clock = &clock;
    program.processors = processors.get();
    program.resultsWindows = &results;
    program.installFolder = paths::stateFolder();

    std::unique_ptr<frmZTLMain> main = SubMain(program, dialogs, arguments);
    if (!main) return 0;
    main->setAttribute(Qt::WA_QuitOnClose);
    return app.exec();
}

}  // namespace ztl::single
