#pragma once
// The window a program shows while a call to QuickBooks waits for the Web Connector:
// "Waiting for the Web Connector to call ... 12 s" and a Cancel button. The engine's call
// stays synchronous on the window thread; each time the backend says it still waits, the
// pending events are processed, so every window repaints. The window is application-modal:
// nothing else can be started meanwhile. Cancel withdraws a request not yet handed out; one
// already handed out is waited for all the same, and the window says so.
#include <QDialog>

#include "platform/prompter.h"
#include "platform/quickbooks_wait.h"

class QLabel;
class QPushButton;

namespace ztl::ui {

class QuickBooksWaitWindow : public QDialog, public QuickBooksWait {
    Q_OBJECT
  public:
    explicit QuickBooksWaitWindow(QWidget* parent = nullptr);

    bool waiting(const std::string& what, std::chrono::milliseconds waited) override;
    void done() override;
    // Shown in a message box through `prompter` (the program's), before the engine's report.
    void failed(const std::string& why) override;
    void setPrompter(Prompter* prompter) { prompter_ = prompter; }

    QPushButton* cancelButton() const { return cancel_; }
    QString text() const;

  protected:
    void reject() override;  // Escape and the close box: as Cancel

  private:
    QLabel* label_;
    QPushButton* cancel_;
    bool cancelled_ = false;
    Prompter* prompter_ = nullptr;
};

}  // namespace ztl::ui
