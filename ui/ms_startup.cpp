#include "ui/ms_startup.h"

#include <QApplication>

#include "platform/error_report.h"
#include "platform/paths.h"
#include "qbwc/quickbooks_from_environment.h"
#include "ui/frm_display.h"
#include "ui/frm_splash.h"
#include "ui/frm_ztl_main.h"
#include "ui/qsettings_store.h"
#include "ui/qt_prompter.h"
#include "ui/standard_dialogs.h"

namespace ztl::ui {

std::unique_ptr<frmZTLMain> SubMain(Program& program, StandardDialogs& dialogs,
                                    const std::vector<std::string>& arguments) {
    if (!isLaunchCommandLine(arguments)) {
        program.showMessage(launchRefusalText(), MsgIcon::Information, MsgButtons::OK, "ZentrelMS");
        return nullptr;
    }
    std::unique_ptr<frmSplash> splash;
    try {
        splash = std::make_unique<frmSplash>("Multi Store");
        program.splash = splash.get();
        splash->showPainted();

        auto main = std::make_unique<frmZTLMain>(program, dialogs);
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
        return nullptr;
    }
}

int runZentrelMS(int argc, char** argv) {
    std::vector<std::string> arguments(argv + 1, argv + argc);
    int qtArgc = 1;
    QApplication app(qtArgc, argv);
    QApplication::setApplicationName("ZentrelMS");
    QApplication::setDesktopFileName("zentrelms");

    Program program(Edition::MultiStore);
    QtPrompter prompter;
    QtStandardDialogs dialogs;
    QSettingsStore settings;
    SystemClock clock;
    std::unique_ptr<RequestProcessorFactory> processors = processorFactoryFromEnvironment(settings);
    ResultsWindows results(program, dialogs);
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

}  // namespace ztl::ui
