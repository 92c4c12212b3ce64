#pragma once
// The check run again after the operator stored other account names: once the focus has
// left the account fields for another control of the main window, from the window's own
// event loop, so that the focus is first where the operator sent it. Storing a name never
// waits for QuickBooks; the check does, and through a slow QuickBooks it waits without a
// window of its own (QuickBooksWaitWindow::Unasked): its line below the grid says what it
// waits for, keys go where the operator types them, and a name stored meanwhile is checked
// once this check is over. Import pressed meanwhile ends the wait and runs after the check.
#include <QObject>
#include <functional>
#include <vector>

#include "ui/quickbooks_wait_window.h"

namespace ztl::ui {

class CheckMarksPanel;

class AccountNamesRecheck : public QObject {
  public:
    struct Logic {
        std::function<bool()> due;  // a stored name changed since the last check
        std::function<void()> run;  // runs the check when it is due, and shows it
    };
    AccountNamesRecheck(QWidget* window, std::vector<QWidget*> fields, CheckMarksPanel* panel, Logic logic);

    bool checking() const { return unasked_ != nullptr; }
    // Runs `action` now; while a check waits, ends the wait and runs it once the check is over.
    void whenIdle(std::function<void()> action);

  private:
    void focusChanged(QWidget* now);
    void runIfDue();
    bool inFields(QWidget* w) const;

    QWidget* window_;
    std::vector<QWidget*> fields_;
    CheckMarksPanel* panel_;
    Logic logic_;
    QuickBooksWaitWindow::Unasked* unasked_ = nullptr;  // the running check's wait, while it runs
    std::function<void()> afterCheck_;
};

}  // namespace ztl::ui
