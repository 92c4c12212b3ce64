#pragma once
// Sub Main of the single-store program. The operation log's path is set first, so that even
// a refused start could be recorded; then the launch rule of both programs: any command
// line but the token is refused with one message and opens no window. A started program
// shows the splash (with no edition label) while the main window loads, closes it, and
// shows the main window; an unexpected error of the start-up is shown and also logged.
#include <memory>
#include <string>
#include <vector>

#include "engine/program.h"

namespace ztl::ui {
class StandardDialogs;
}

namespace ztl::single {

class frmZTLMain;

// Runs the start-up on a Program whose services are set. Returns the main window, shown, or
// nothing when the program ends here (refused, or its load ended it).
std::unique_ptr<frmZTLMain> SubMain(Program& program, ui::StandardDialogs& dialogs,
                                    const std::vector<std::string>& arguments);

// The whole program: the real services, QApplication (which never sees the command line:
// Qt's own options come from the environment), Sub Main and the event loop.
int runZentrel(int argc, char** argv);

}  // namespace ztl::single
