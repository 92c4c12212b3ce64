#include "ui/window_program.h"

#include <QApplication>

#include "platform/paths.h"
#include "ui/logic/launch_token.h"
#include "quickbooks/quickbooks_from_environment.h"

namespace ztl::ui {

ProgramServices::ProgramServices(Program& program, Prompter* prompter, StandardDialogs* dialogs)
    : dialogs_(dialogs ? dialogs : &qtDialogs_),
      processors_(processorFactoryFromEnvironment(settings_, &waitWindow_)),
      results_(program, *dialogs_) {
    program.prompter = prompter ? prompter : &qtPrompter_;
    waitWindow_.setPrompter(program.prompter);
    program.settings = &settings_;
    program.clock = &clock_;
    program.processors = processors_.get();
    program.resultsWindows = &results_;
    program.installFolder = paths::stateFolder();
}

int runWindowProgram(int argc, char** argv, Edition edition, const char* name, const char* desktopName,
                     const SubMainFunction& subMain) {
    std::vector<std::string> arguments(argv + 1, argv + argc);
    int qtArgc = 1;
    QApplication app(qtArgc, argv);
    QApplication::setApplicationName(name);
    QApplication::setDesktopFileName(desktopName);

    Program program(edition);
    if (!isLaunchCommandLine(arguments)) {
        // Sub Main refuses the start with its one message. Nothing else is built for it: no
        // QuickBooks service (the Web Connector's would take its port), no settings store, no
        // state folder.
        QtPrompter prompter;
        QtStandardDialogs dialogs;
        program.prompter = &prompter;
        subMain(program, dialogs, arguments);
        // Whoever started the program (a script, a shortcut) learns from the status that
        // nothing was done.
        return 1;
    }
    ProgramServices services(program);
    std::unique_ptr<QWidget> main = subMain(program, services.dialogs(), arguments);
    if (main) main->setAttribute(Qt::WA_QuitOnClose);
    // Without a main window the program ends, unless an error in the start-up left windows open.
    bool open = main != nullptr;
    for (QWidget* top : QApplication::topLevelWidgets()) open = open || top->isVisible();
    if (!open) return 0;
    return app.exec();
}

}  // namespace ztl::ui
