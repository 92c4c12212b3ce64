#pragma once
// Answers the next modal window a window under test opens: polls for it every few
// milliseconds (a single zero-timer would fire before code that processes events first has
// opened it) and gives up after a while, so a window that never comes fails the test
// instead of hanging it.
#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <functional>
#include <memory>

namespace ztl::test {

// Calls `answer` with the first modal window that is not `ignore`, once.
inline void answerNextModal(std::function<void(QWidget*)> answer, QWidget* ignore = nullptr,
                            int giveUpMs = 10000) {
    auto timer = new QTimer;
    auto clock = std::make_shared<QElapsedTimer>();
    clock->start();
    QObject::connect(timer, &QTimer::timeout, [=]() {
        QWidget* modal = QApplication::activeModalWidget();
        if (modal && modal != ignore && modal->isVisible()) {
            timer->stop();
            timer->deleteLater();
            answer(modal);
        } else if (clock->elapsed() > giveUpMs) {
            timer->stop();
            timer->deleteLater();
        }
    });
    timer->start(10);
}

}  // namespace ztl::test
