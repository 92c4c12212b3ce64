#pragma once
// frmWarning, the confirmation window: before anything is read or posted the operator
// types YES to confirm that the right store and the right QuickBooks company are selected.
// Its only result is the program's import-cancelled flag.
#include <QDialog>

#include "engine/program.h"

class QLabel;
class QLineEdit;
class QPushButton;

namespace ztl::ui {

class frmWarning : public QDialog {
    Q_OBJECT
  public:
    explicit frmWarning(Program& program, QWidget* parent = nullptr);

    // The answers that go on: exactly these three spellings, untrimmed.
    static bool isConfirmation(const QString& answer);
    static QString warningText();

    // Escape or the frame's close button: no confirmation, so it counts as Cancel.
    void reject() override;

  protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void cmdOk_Click();
    void cmdCancel_Click();
    void finish(bool cancelled);

    Program& program_;
    QLabel* Image1;
    QLabel* Label2;
    QLabel* Label1;
    QLineEdit* Text1;
    QPushButton* cmdOk;
    QPushButton* cmdCancel;
    bool answered_ = false;
};

}  // namespace ztl::ui
