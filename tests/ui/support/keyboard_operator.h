#pragma once
// An operator at the keyboard: one key every few milliseconds from the event loop, as a
// person types, into whatever window has the keyboard focus at that moment, as the window
// system delivers keys; also while the program waits inside a call to QuickBooks. A step may
// wait for something first.
#include <QGuiApplication>
#include <QTimer>
#include <QWindow>
#include <QtTest>
#include <deque>
#include <functional>

namespace ztl::test {

class KeyboardOperator : public QObject {
  public:
    void type(const QString& text) {
        for (QChar c : text) steps_.push_back({[c] { return press(Qt::Key(0), {}, c.toLatin1()); }, true});
    }
    void key(Qt::Key key, Qt::KeyboardModifiers modifiers = {}) {
        steps_.push_back({[=] { return press(key, modifiers, 0); }, true});
    }
    void waitUntil(std::function<bool()> condition) { steps_.push_back({std::move(condition), false}); }

    // Starts typing; `during` tells whether the program is waiting when a key goes out.
    void start(int paceMs, std::function<bool()> during = {}) {
        during_ = std::move(during);
        pace_ = paceMs;
        QTimer::singleShot(pace_, this, [this] { step(); });
    }
    bool done() const { return steps_.empty(); }
    int keysWhileWaiting = 0;

  private:
    // True once the step is done.
    static bool press(Qt::Key key, Qt::KeyboardModifiers modifiers, char ascii) {
        QWindow* window = QGuiApplication::focusWindow();
        if (!window) return false;
        if (ascii)
            QTest::keyClick(window, ascii);
        else
            QTest::keyClick(window, key, modifiers);
        return true;
    }
    // Each step is a timer of its own, set before the key goes out: a key whose handling
    // runs a wait inside it (QTest processes the events after each key) must not hold back
    // the next one, which a repeating timer, still busy with this step, would.
    void step() {
        if (steps_.empty()) return;
        QTimer::singleShot(pace_, this, [this] { step(); });
        const bool waiting = during_ && during_();
        // Taken off first: the steps after it may go out while its key is being handled.
        Step next = std::move(steps_.front());
        steps_.pop_front();
        if (!next.run()) {
            steps_.push_front(std::move(next));
            return;
        }
        if (waiting && next.isKey) ++keysWhileWaiting;
    }

    struct Step {
        std::function<bool()> run;  // true once done
        bool isKey;
    };
    std::deque<Step> steps_;
    std::function<bool()> during_;
    int pace_ = 15;
};

}  // namespace ztl::test
