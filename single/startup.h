#pragma once
// Sub Main of the single-store program. The launch rule of both programs comes first: any
// command line but the token is refused with one message, opens no window and leaves no
// trace (not even the state folder of the operation log, whose path is set next). A started program
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
