#pragma once
// frmDisplay, the results window: the import log after a run, to read, print and save.
// After a run with a refused entry the log must be printed before Save and Exit work, so
// that the refusal reaches paper before anybody can leave it behind. Escape stands for Exit
// and waits for it. The window's close command always works: an operator who must leave
// is not held prisoner, and the log stays on disk.
#include <QDialog>

#include "engine/program.h"
#include "engine/views.h"

class QPrinter;
class QPushButton;
class QTextEdit;

namespace ztl::ui {

class StandardDialogs;

class frmDisplay : public QDialog, public ResultsWindow {
    Q_OBJECT
  public:
    frmDisplay(Program& program, StandardDialogs& dialogs, QWidget* parent = nullptr);

    // ResultsWindow, as the import run drives it.
    void loadFile(const std::string& path) override;
    void setCaption(const std::string& caption) override;
    void demandPrintout(bool demanded) override { printoutDemanded_ = demanded; }
    void showModal() override;

  protected:
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

  private:
    void activate();
    void cmdPrint_Click();
    void cmdSave_Click();
    // The log on the printer the operator chooses; false when cancelled or not printed.
    bool printLog();

    Program& program_;
    StandardDialogs& dialogs_;
    QTextEdit* rtb1;
    QPushButton* cmdPrint;
    QPushButton* cmdSave;
    QPushButton* cmdExit;
    bool activated_ = false;
    bool printoutDemanded_ = false;
};

// The import run's results windows, each a new frmDisplay over the window active now.
class ResultsWindows : public ResultsWindowFactory {
  public:
    ResultsWindows(Program& program, StandardDialogs& dialogs) : program_(program), dialogs_(dialogs) {}
    std::unique_ptr<ResultsWindow> create() override;

  private:
    Program& program_;
    StandardDialogs& dialogs_;
};

// The printer setting the windows set before every printout: its print-quality hint. Print
// engines that know no such hint ignore it.
void setPrintQualityHint(QPrinter& printer, int quality);
int printQualityHint(QPrinter& printer);

}  // namespace ztl::ui
