#pragma once
// What both window programs run with besides their windows, and how they run: message boxes,
// the standard dialogs, the settings store, the clock, the QuickBooks the environment names
// and the results windows, wired into the Program; then QApplication (which never sees the
// command line: the toolkit's options come from the environment), Sub Main, the event loop.
#include <QWidget>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "engine/program.h"
#include "platform/clock.h"
#include "ui/frm_display.h"
#include "ui/qsettings_store.h"
#include "ui/qt_prompter.h"
#include "ui/quickbooks_wait_window.h"
#include "ui/standard_dialogs.h"

namespace ztl::ui {

class ProgramServices {
  public:
    // `prompter` and `dialogs` replace the windows' own message boxes and dialogs, where a
    // tool draws the windows with nobody there to answer them.
    explicit ProgramServices(Program& program, Prompter* prompter = nullptr,
                             StandardDialogs* dialogs = nullptr);
    StandardDialogs& dialogs() { return *dialogs_; }

  private:
    QtPrompter qtPrompter_;
    QtStandardDialogs qtDialogs_;
    StandardDialogs* dialogs_;
    QSettingsStore settings_;
    SystemClock clock_;
    QuickBooksWaitWindow waitWindow_;
    std::unique_ptr<RequestProcessorFactory> processors_;
    ResultsWindows results_;
};

// Sub Main of one program: its main window, shown, or nothing when the program ends there.
using SubMainFunction =
    std::function<std::unique_ptr<QWidget>(Program&, StandardDialogs&, const std::vector<std::string>&)>;

// The whole program; `name` is its application name, `desktopName` its desktop entry's.
int runWindowProgram(int argc, char** argv, Edition edition, const char* name, const char* desktopName,
                     const SubMainFunction& subMain);

}  // namespace ztl::ui
