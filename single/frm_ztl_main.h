#pragma once
// frmZTLMain of the single-store program: where the totals come from and whether that source
// answers, the QuickBooks company to import to (with Browse), the day's totals beside the
// company's chart, the three account fields and the import reference number, Import. Its
// logic lives in single::MainWindowLogic; this window shows what the logic sets and forwards
// its events. It has no store field, no status bar and no Help button, and its activation
// leaves the focus where it was.
#include <memory>

#include "engine/program.h"
#include "single/logic/main_window_logic.h"
#include "ui/main_window_frame.h"

namespace ztl::ui {
class StandardDialogs;
}

namespace ztl::single {

class frmZTLMain : public ui::MainWindowFrame<SingleStoreMainView> {
    Q_OBJECT
  public:
    frmZTLMain(Program& program, ui::StandardDialogs& dialogs, QWidget* parent = nullptr);
    ~frmZTLMain() override;

    // The load, before the window is first shown.
    LoadOutcome Load();
    MainWindowLogic& logic() { return *logic_; }

    // SingleStoreMainView.
    void setServerStatus(const std::string& text) override;
    void setReferenceNumber(const std::string& number) override;
    void setGridsEnabled(bool enabled) override;
    void setBrowseEnabled(bool enabled) override;
    std::string chooseCompanyFile() override;
    // A company file is a path of this workstation, in its own encoding.
    void setCompanyName(const std::string& name) override;

  protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    Program& program_;
    ui::StandardDialogs& dialogs_;
    std::unique_ptr<MainWindowLogic> logic_;
    QLabel* Label6;
    QLabel* lblServer;
    QLabel* Label2;
    QPushButton* cmdQBCBrowse;
    QLabel* Label7;
    ui::SettingField* txtRefNum;
};

}  // namespace ztl::single
