#pragma once
// After an error in the start-up itself, the windows it had already opened stay open and
// the program runs until the last of them is closed. A window that was never shown is not
// kept: nobody could close it, and it would keep the program running unseen.
#include <QWidget>
#include <memory>

#include "ui/frm_splash.h"

namespace ztl::ui {

// Returns the main window when it is on screen. A splash on screen is left to itself (it
// closes on a key press or a click, and then goes); everything else goes now.
template <class MainWindow>
std::unique_ptr<MainWindow> keepOpenWindows(std::unique_ptr<frmSplash> splash, std::unique_ptr<MainWindow> main) {
    if (splash && splash->isVisible()) {
        splash->setAttribute(Qt::WA_DeleteOnClose);
        splash->setAttribute(Qt::WA_QuitOnClose);
        splash.release();
    }
    if (main && main->isVisible()) return main;
    return nullptr;
}

}  // namespace ztl::ui
