#include "ui/frm_ztl_main.h"

#include <QCloseEvent>
#include <QGridLayout>
#include <QStatusBar>

#include "ui/after_import_button.h"
#include "ui/frm_help.h"
#include "ui/frm_warning.h"
#include "ui/logic/after_import_actions.h"
#include "ui/product_logo.h"

namespace ztl::ui {

frmZTLMain::frmZTLMain(Program& program, StandardDialogs& dialogs, QWidget* parent)
    : MainWindowFrame(parent), program_(program), dialogs_(dialogs) {
    setObjectName("frmZTLMain");
    setWindowTitle("Korvane Zentrel");
    logic_ = std::make_unique<ms::MainWindowLogic>(program_, *this);

    txtKrvStore = new QLineEdit(central_);
    txtKrvStore->setObjectName("txtKrvStore");
    txtKrvStore->setReadOnly(true);
    txtKrvStore->setToolTip("Current Korvane Store... this is set from the Korvane main menu  < 7-GO>");
    Label7 = fieldLabel("Label7", "Korvane Store", txtKrvStore, central_);
    txtQBCompany->setReadOnly(true);
    txtQBCompany->setToolTip("This QuickBooks company is currently open");
    Label2 = fieldLabel("Label2", "Quick Books Company", txtQBCompany, central_);

    cmdHelp = new QPushButton(central_);
    cmdHelp->setObjectName("cmdHelp");
    cmdHelp->setIcon(QIcon(helpButtonPicture(48)));
    cmdHelp->setIconSize(QSize(24, 24));
    cmdHelp->setToolTip("Zentrel Help");
    cmdHelp->setAccessibleName("Help");
    connect(cmdHelp, &QPushButton::clicked, this, &frmZTLMain::cmdHelp_Click);
    importWith([this] { logic_->cmdImport_Click(); });
    saveAccountFieldsWith([this](const std::string& control, const std::string& text) {
        logic_->accountFieldLostFocus(control, text);
    });
    recheckWhenFieldsLeft({[this] { return logic_->recheckDue(); }, [this] { logic_->recheckIfDue(); }});

    for (int i = 0; i < 4; ++i) {
        sb1Panels[i] = statusLabel(QString("sb1Panel%1").arg(i + 1), this);
        sb1Panels[i]->setFrameShape(QFrame::StyledPanel);
        statusBar()->addPermanentWidget(sb1Panels[i], 1);
    }
    statusBar()->setObjectName("sb1");
    statusBar()->setSizeGripEnabled(true);

    // The store and the company across the top.
    auto* top = new QGridLayout;
    top->addWidget(Label7, 0, 0);
    top->addWidget(txtKrvStore, 0, 1);
    top->addWidget(Label2, 1, 0);
    top->addWidget(txtQBCompany, 1, 1);
    top->addWidget(cmdHelp, 0, 2, 2, 1, Qt::AlignRight | Qt::AlignTop);
    // After the import, beside Help: the day reconciled with the company, or the import undone.
    top->addWidget(
        afterImportButton(
            central_, [this] { reconcileInWindow(program_, logic_->importPlace()); },
            [this] { logic_->undoImport([this](const std::string& t) { return askForYes(this, t); }); }),
        0, 3, 2, 1, Qt::AlignRight | Qt::AlignTop);
    top->setColumnStretch(1, 1);

    layOut(top);
}

frmZTLMain::~frmZTLMain() {
    stopSavingFields();
    if (program_.mainWindow == this) program_.mainWindow = nullptr;
}

ms::LoadOutcome frmZTLMain::Load() {
    return logic_->Load();
}

void frmZTLMain::showConfirmation() {
    frmWarning warning(program_, isVisible() ? this : nullptr);
    warning.exec();
}

void frmZTLMain::setStatusPanels(const std::array<std::string, 4>& panels) {
    for (int i = 0; i < 4; ++i) sb1Panels[i]->setText(fromSingleByte(panels[i]));
}

void frmZTLMain::setStoreName(const std::string& name) {
    txtKrvStore->setText(fromSingleByte(name));
}

void frmZTLMain::cmdHelp_Click() {
    frmHelp help(paths::dataFolderHolding(frmHelp::kFileName), this);
    help.exec();
}

void frmZTLMain::changeEvent(QEvent* event) {
    MainWindowFrame::changeEvent(event);
    // The focus goes to Cancel when the window first becomes active. Coming back to it (from a
    // message, the wait for QuickBooks, another program, or by a click on a field) the focus
    // returns to the control the operator left it on: a key typed for that field must not
    // press Cancel and end the program.
    if (event->type() == QEvent::ActivationChange && isActiveWindow() && !focusWidget())
        cmdCancel->setFocus(Qt::ActiveWindowFocusReason);
}

void frmZTLMain::closeEvent(QCloseEvent* event) {
    // Closing is never refused. The engine facade and the totals table go with the window.
    event->accept();
    if (program_.mainWindow == this) program_.mainWindow = nullptr;
}

}  // namespace ztl::ui
