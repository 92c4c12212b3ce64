#include "ui/quickbooks_wait_window.h"

#include <QCoreApplication>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace ztl::ui {

QuickBooksWaitWindow::QuickBooksWaitWindow(QWidget* parent)
    : QDialog(parent), label_(new QLabel(this)), cancel_(new QPushButton(tr("Cancel"), this)) {
    setWindowTitle("Korvane Zentrel");
    setWindowModality(Qt::ApplicationModal);
    label_->setMinimumWidth(420);
    label_->setWordWrap(true);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(label_);
    layout->addWidget(cancel_, 0, Qt::AlignRight);
    connect(cancel_, &QPushButton::clicked, this, [this] { reject(); });
}

QString QuickBooksWaitWindow::text() const {
    return label_->text();
}

void QuickBooksWaitWindow::reject() {
    cancelled_ = true;
    cancel_->setEnabled(false);
}

bool QuickBooksWaitWindow::waiting(const std::string& what, std::chrono::milliseconds waited) {
    std::string line = waitingLine(what, waited);
    if (std::string details = waitingDetails(what); !details.empty()) line += "\n\n" + details;
    if (cancelled_) line += "\nCancelled: a request QuickBooks already has is waited for all the same.";
    label_->setText(QString::fromStdString(line));
    if (!isVisible()) show();
    QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    return !cancelled_;
}

void QuickBooksWaitWindow::failed(const std::string& why) {
    hide();
    if (prompter_ && !why.empty()) prompter_->show({why, MsgIcon::Exclamation, MsgButtons::OK, {}});
}

void QuickBooksWaitWindow::done() {
    hide();
    cancelled_ = false;
    cancel_->setEnabled(true);
}

}  // namespace ztl::ui
