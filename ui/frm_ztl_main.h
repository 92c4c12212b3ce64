#pragma once
// frmZTLMain, the multi-store main window: the store and the company, the day's totals
// beside the company's chart, the three account fields, Import. Its logic lives in
// ms::MainWindowLogic; this window shows what the logic sets and forwards its events.
#include <memory>

#include "engine/program.h"
#include "ui/main_window_frame.h"
#include "ui/ms_logic/main_window_logic.h"

class QStatusBar;

namespace ztl::ui {

class StandardDialogs;

class frmZTLMain : public MainWindowFrame<ms::MultiStoreMainView> {
    Q_OBJECT
  public:
    frmZTLMain(Program& program, StandardDialogs& dialogs, QWidget* parent = nullptr);
    ~frmZTLMain() override;

    // The load, before the window is first shown.
    ms::LoadOutcome Load();
    ms::MainWindowLogic& logic() { return *logic_; }

    // MultiStoreMainView.
    void showConfirmation() override;
    void setStatusPanels(const std::array<std::string, 4>& panels) override;
    void setStoreName(const std::string& name) override;

  protected:
    void changeEvent(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

  private:
    void cmdHelp_Click();

    Program& program_;
    StandardDialogs& dialogs_;
    std::unique_ptr<ms::MainWindowLogic> logic_;
    QLineEdit* txtKrvStore;
    QLabel* Label7;
    QLabel* Label2;
    QPushButton* cmdHelp;
    QLabel* sb1Panels[4];
};

}  // namespace ztl::ui
