#include "ui/frm_warning.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

namespace ztl::ui {

QString frmWarning::warningText() {
    return QStringLiteral(
        "Make sure the correct Korvane store and the correct Quickbooks company are selected.\n"
        " This is critical if multiple Quickbooks compaines use the same G/L account structure.\n"
        "\n"
        " Make backup copies of all data before proceeding.\n"
        " The user is responsible for these selections!\n"
        "\n"
        " Type 'YES' to procede with import.");
}

bool frmWarning::isConfirmation(const QString& answer) {
    return answer == QLatin1String("YES") || answer == QLatin1String("Yes") || answer == QLatin1String("yes");
}

frmWarning::frmWarning(Program& program, QWidget* parent) : QDialog(parent), program_(program) {
    setObjectName("frmWarning");
    setWindowTitle("Zentrel MS");
    setModal(true);

    Image1 = new QLabel(this);
    Image1->setObjectName("Image1");
    Image1->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxWarning).pixmap(64, 64));
    Image1->setAccessibleName("Warning");
    Image1->installEventFilter(this);

    Label2 = new QLabel("Warning...", this);
    Label2->setObjectName("Label2");
    Label2->setFont(QFont("Arial", 18, QFont::Bold));

    Label1 = new QLabel(this);
    Label1->setObjectName("Label1");
    Label1->setFont(QFont("Arial", 10));
    Label1->setWordWrap(true);
    Label1->setAccessibleDescription("Label1");

    Text1 = new QLineEdit(this);
    Text1->setObjectName("Text1");
    Text1->setAccessibleName("Answer");

    cmdOk = new QPushButton("&Ok", this);
    cmdOk->setObjectName("cmdOk");
    cmdOk->setDefault(true);
    cmdCancel = new QPushButton("&Cancel", this);
    cmdCancel->setObjectName("cmdCancel");
    connect(cmdOk, &QPushButton::clicked, this, &frmWarning::cmdOk_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &frmWarning::cmdCancel_Click);

    auto* head = new QHBoxLayout;
    head->addWidget(Image1, 0, Qt::AlignVCenter);
    head->addSpacing(12);
    head->addWidget(Label2, 1, Qt::AlignVCenter);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(cmdOk);
    buttons->addWidget(cmdCancel);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(head);
    layout->addWidget(Label1);
    layout->addWidget(Text1);
    layout->addLayout(buttons);
    resize(560, 300);

    // Load.
    Label1->setText(warningText());
}

void frmWarning::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    // Activation: a fresh answer each time the window comes up.
    Text1->clear();
    Text1->setFocus();
}

void frmWarning::cmdOk_Click() {
    finish(!isConfirmation(Text1->text()));
}

void frmWarning::cmdCancel_Click() {
    hide();
    finish(true);
}

void frmWarning::finish(bool cancelled) {
    program_.importCancelled = cancelled;
    answered_ = true;
    done(cancelled ? QDialog::Rejected : QDialog::Accepted);
}

void frmWarning::reject() {
    if (answered_) return QDialog::reject();
    finish(true);
}

bool frmWarning::eventFilter(QObject* watched, QEvent* event) {
    // A double-click on the warning image confirms as YES does.
    if (watched == Image1 && event->type() == QEvent::MouseButtonDblClick) {
        finish(false);
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

}  // namespace ztl::ui
