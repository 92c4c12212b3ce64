#include "single/frm_ztl_main.h"

#include <QCloseEvent>
#include <QFile>
#include <QGridLayout>
#include <QTimer>

#include "ui/after_import_button.h"
#include "ui/logic/after_import_actions.h"
#include "ui/single_byte_text.h"
#include "ui/standard_dialogs.h"

namespace ztl::single {

frmZTLMain::frmZTLMain(Program& program, ui::StandardDialogs& dialogs, QWidget* parent)
    : MainWindowFrame(parent), program_(program), dialogs_(dialogs) {
    setObjectName("frmZTLMain");
    setWindowTitle("Korvane Zentrel");
    logic_ = std::make_unique<MainWindowLogic>(program_, *this);

    Label6 = new QLabel("Connection Status", central_);
    Label6->setObjectName("Label6");
    lblServer = ui::statusLabel("lblServer", central_);
    lblServer->setTextInteractionFlags(Qt::TextSelectableByMouse);

    txtQBCompany->setToolTip("QuickBooks company you wish to import to");
    txtQBCompany->installEventFilter(this);
    Label2 = ui::fieldLabel("Label2", "Quick Books Company", txtQBCompany, central_);
    cmdQBCBrowse = new QPushButton("Browse", central_);
    cmdQBCBrowse->setObjectName("cmdQBCBrowse");
    cmdQBCBrowse->setToolTip("Locate QuickBooks company files");

    txtRefNum = new ui::SettingField(
        "txtRefNum",
        "This is an import reference number.. (range 1 to 1000000). Will increment on each import.",
        central_);
    Label7 = ui::fieldLabel("Label7", "Import reference number", txtRefNum, central_);

    connect(cmdQBCBrowse, &QPushButton::clicked, this, [this] { logic_->cmdQBCBrowse_Click(); });
    importWith([this] { logic_->cmdImport_Click(); });
    saveAccountFieldsWith([this](const std::string& control, const std::string& text) {
        logic_->accountFieldLostFocus(control, text);
    });
    recheckWhenFieldsLeft({[this] { return logic_->recheckDue(); }, [this] { logic_->recheckIfDue(); }});
    txtRefNum->lostFocus = [this](const QString& text) {
        logic_->txtRefNum_LostFocus(ui::toSingleByte(text));
    };

    // Where the totals come from and the company they go to across the top; the reference
    // number below the account fields.
    auto* top = new QGridLayout;
    top->addWidget(Label6, 0, 0);
    top->addWidget(lblServer, 0, 1, 1, 2);
    top->addWidget(Label2, 1, 0);
    top->addWidget(txtQBCompany, 1, 1);
    top->addWidget(cmdQBCBrowse, 1, 2);
    // After the import, beside Browse: the day reconciled with the company, or the import undone.
    top->addWidget(ui::afterImportButton(
                       central_, [this] { ui::reconcileInWindow(program_, logic_->importPlace()); },
                       [this] {
                           logic_->undoImport([this](const std::string& t) { return ui::askForYes(this, t); });
                       }),
                   1, 3);
    top->setColumnStretch(1, 1);

    QGridLayout* fields = layOut(top);
    fields->addWidget(Label7, 3, 0);
    // A number of up to seven digits: a field as wide as the account names would read badly.
    txtRefNum->setMaximumWidth(txtRefNum->fontMetrics().horizontalAdvance(QString(12, '0')));
    fields->addWidget(txtRefNum, 3, 1, Qt::AlignLeft);
}

frmZTLMain::~frmZTLMain() {
    stopSavingFields();
    txtRefNum->lostFocus = nullptr;
    logic_->Unload();
    if (program_.mainWindow == this) program_.mainWindow = nullptr;
}

LoadOutcome frmZTLMain::Load() {
    return logic_->Load();
}

void frmZTLMain::setServerStatus(const std::string& text) {
    lblServer->setText(ui::fromSingleByte(text));
}

void frmZTLMain::setReferenceNumber(const std::string& number) {
    txtRefNum->setText(ui::fromSingleByte(number));
}

void frmZTLMain::setGridsEnabled(bool enabled) {
    grdX390->setEnabled(enabled);
    grdCoa->setEnabled(enabled);
}

void frmZTLMain::setBrowseEnabled(bool enabled) {
    cmdQBCBrowse->setEnabled(enabled);
}

std::string frmZTLMain::chooseCompanyFile() {
    ui::FileDialogRequest request;
    request.title = "Open";
    request.filter = "QB Company Files (*.qbw)";
    request.initialFolder = ui::documentsFolder();
    request.cancelError = true;
    std::optional<QString> chosen = ui::showOpenDialog(dialogs_, request, this);
    return chosen ? QFile::encodeName(*chosen).toStdString() : std::string();
}

void frmZTLMain::setCompanyName(const std::string& name) {
    txtQBCompany->setText(QFile::decodeName(QByteArray::fromStdString(name)));
}

void frmZTLMain::closeEvent(QCloseEvent* event) {
    // Closing is never refused; the unload writes the end entry and releases the engine object.
    event->accept();
    logic_->Unload();
}

bool frmZTLMain::eventFilter(QObject* watched, QEvent* event) {
    // The company field selects its whole text on focus, as the account fields do, but what
    // is typed into it is not stored: only Browse changes the company.
    if (watched == txtQBCompany && event->type() == QEvent::FocusIn)
        QTimer::singleShot(0, txtQBCompany, &QLineEdit::selectAll);
    return MainWindowFrame::eventFilter(watched, event);
}

}  // namespace ztl::single
