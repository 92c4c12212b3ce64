#include "ui/quickbooks_wait_window.h"

#include <QCoreApplication>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace ztl::ui {

QuickBooksWaitWindow::Unasked* QuickBooksWaitWindow::unasked_ = nullptr;

QuickBooksWaitWindow::Unasked::Unasked(std::function<void(const QString&)> progress)
    : progress_(std::move(progress)), outer_(unasked_) {
    unasked_ = this;
}

QuickBooksWaitWindow::Unasked::~Unasked() {
    unasked_ = outer_;
}

QuickBooksWaitWindow::QuickBooksWaitWindow(QWidget* parent)
    : QDialog(parent), label_(new QLabel(this)), cancel_(new QPushButton(tr("Cancel"), this)) {
    setWindowTitle("Korvane Zentrel");
    setWindowModality(Qt::ApplicationModal);
    label_->setMinimumWidth(420);
    label_->setWordWrap(true);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(label_);
    layout->addWidget(cancel_, 0, Qt::AlignRight);
    // Never the default: Enter typed for another window must not cancel the wait.
    cancel_->setAutoDefault(false);
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
    if (Unasked* unasked = unasked_) {
        if (unasked->progress_) unasked->progress_(QString::fromStdString(waitingLine(what, waited)));
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
        return !unasked->stopped_;
    }
    std::string line = waitingLine(what, waited);
    if (std::string details = waitingDetails(what); !details.empty()) line += "\n\n" + details;
    if (cancelled_) line += "\nCancelled: a request QuickBooks already has is waited for all the same.";
    label_->setText(QString::fromStdString(line));
    if (!isVisible()) show();
    QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    return !cancelled_;
}

void QuickBooksWaitWindow::failed(const std::string& why) {
    if (unasked_) {
        unasked_->failure_ = QString::fromStdString(why);
        return;
    }
    hide();
    if (prompter_ && !why.empty()) prompter_->show({why, MsgIcon::Exclamation, MsgButtons::OK, {}});
}

void QuickBooksWaitWindow::done() {
    if (unasked_) return;  // the window was not shown, nor its Cancel pressed
    hide();
    cancelled_ = false;
    cancel_->setEnabled(true);
}

}  // namespace ztl::ui
