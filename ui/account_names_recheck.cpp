#include "ui/account_names_recheck.h"

#include <QApplication>
#include <QTimer>
#include <QWidget>
#include <algorithm>

#include "ui/check_marks_panel.h"

namespace ztl::ui {

AccountNamesRecheck::AccountNamesRecheck(QWidget* window, std::vector<QWidget*> fields, CheckMarksPanel* panel,
                                         Logic logic)
    : QObject(window), window_(window), fields_(std::move(fields)), panel_(panel), logic_(std::move(logic)) {
    connect(qApp, &QApplication::focusChanged, this, [this](QWidget*, QWidget* now) { focusChanged(now); });
}

bool AccountNamesRecheck::inFields(QWidget* w) const {
    return std::find(fields_.begin(), fields_.end(), w) != fields_.end();
}

void AccountNamesRecheck::focusChanged(QWidget* now) {
    // The focus came to another control of this window: the operator is done with the names
    // for now. The check runs after the focus change is over, never inside it.
    if (!now || inFields(now) || !window_->isAncestorOf(now) || !logic_.due()) return;
    QTimer::singleShot(0, this, &AccountNamesRecheck::runIfDue);
}

void AccountNamesRecheck::runIfDue() {
    // Not inside another check, nor for a closed window or under one the operator has to
    // answer first; and not when the operator went back into the fields meanwhile.
    if (checking() || !window_->isVisible() || QApplication::activeModalWidget() ||
        inFields(QApplication::focusWidget()) || !logic_.due())
        return;
    QString failure;
    {
        QuickBooksWaitWindow::Unasked unasked([this](const QString& line) { panel_->showProgress(line); });
        unasked_ = &unasked;
        logic_.run();
        unasked_ = nullptr;
        failure = unasked.failure();
    }
    if (!failure.isEmpty()) panel_->addToCountLine(failure);
    if (afterCheck_) {
        QTimer::singleShot(0, this, std::exchange(afterCheck_, nullptr));
        return;
    }
    // A name stored while the check waited is checked now, unless the operator is back in
    // the fields: then when they leave them.
    if (logic_.due()) QTimer::singleShot(0, this, &AccountNamesRecheck::runIfDue);
}

void AccountNamesRecheck::whenIdle(std::function<void()> action) {
    if (!checking()) {
        action();
        return;
    }
    afterCheck_ = std::move(action);
    unasked_->stop();
}

}  // namespace ztl::ui
