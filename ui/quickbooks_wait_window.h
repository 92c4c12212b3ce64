#pragma once
// The window a program shows while a call to QuickBooks waits for the Web Connector:
// "Waiting for the Web Connector to call ... 12 s" and a Cancel button. The engine's call
// stays synchronous on the window thread; each time the backend says it still waits, the
// pending events are processed, so every window repaints. The window is application-modal:
// nothing else can be started meanwhile. Cancel withdraws a request not yet handed out; one
// already handed out is waited for all the same, and the window says so.
//
// A call the operator did not ask for (the check run again after an account name changed)
// waits without the window: see Unasked.
#include <QDialog>
#include <functional>

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

    // While one lives, the calls to QuickBooks are ones the operator did not ask for. Their
    // waits show no window: a window popping up uninvited would take the keys typed into
    // the main window, and a typed blank would press its Cancel. The wait line goes to
    // `progress` instead, the windows keep running (the keyboard stays where the operator
    // put it), and a failure is kept in failure() rather than shown in a message box.
    class Unasked {
      public:
        explicit Unasked(std::function<void(const QString&)> progress);
        ~Unasked();
        Unasked(const Unasked&) = delete;
        Unasked& operator=(const Unasked&) = delete;
        // Ends the wait as Cancel does: a request not yet handed out is withdrawn.
        void stop() { stopped_ = true; }
        const QString& failure() const { return failure_; }

      private:
        friend class QuickBooksWaitWindow;
        std::function<void(const QString&)> progress_;
        bool stopped_ = false;
        QString failure_;
        Unasked* outer_;
    };

  protected:
    void reject() override;  // Escape and the close box: as Cancel

  private:
    QLabel* label_;
    QPushButton* cancel_;
    bool cancelled_ = false;
    Prompter* prompter_ = nullptr;
    static Unasked* unasked_;  // the innermost; one wait hook serves the whole program
};

}  // namespace ztl::ui
