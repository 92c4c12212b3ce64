#pragma once
// Sub Main of the multi-store program. The store system's menu starts it with one argument,
// the launch token; any other start is refused with one message and opens no window. A
// started program shows the splash while the main window loads (the slow part), closes it,
// and shows the main window.
#include <memory>
#include <string>
#include <vector>

#include "engine/program.h"
#include "ui/logic/launch_token.h"

namespace ztl::ui {

class frmZTLMain;
class StandardDialogs;

// Runs the start-up on a Program whose services are set. Returns the main window, shown, or
// nothing when the program ends here (refused, or its load ended it).
std::unique_ptr<frmZTLMain> SubMain(Program& program, StandardDialogs& dialogs,
                                    const std::vector<std::string>& arguments);

// The whole program: the real services, QApplication (which never sees the command line:
// Qt's own options come from the environment), Sub Main and the event loop.
int runZentrelMS(int argc, char** argv);

}  // namespace ztl::ui
