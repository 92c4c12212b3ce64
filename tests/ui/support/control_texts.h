#pragma once
// The fixed texts of a window's controls, checked against a table: each control by its
// name, its caption (buttons, labels; nullptr: it shows none of its own) and its tooltip.
#include <QAbstractButton>
#include <QLabel>
#include <QtTest>
#include <vector>

namespace ztl::test {

struct ControlText {
    const char* control;
    const char* caption;  // nullptr: not a captioned control
    const char* toolTip;  // "" when it has none
};

inline void compareControlTexts(QWidget& window, const std::vector<ControlText>& table) {
    for (const ControlText& row : table) {
        auto* w = window.findChild<QWidget*>(row.control);
        QVERIFY2(w, row.control);
        QVERIFY2(w->toolTip() == QString::fromUtf8(row.toolTip),
                 qPrintable(QString("%1 tooltip: %2").arg(row.control, w->toolTip())));
        if (!row.caption) continue;
        QString caption;
        if (auto* b = qobject_cast<QAbstractButton*>(w))
            caption = b->text();
        else if (auto* l = qobject_cast<QLabel*>(w))
            caption = l->text();
        QVERIFY2(caption == QString::fromUtf8(row.caption),
                 qPrintable(QString("%1 caption: %2").arg(row.control, caption)));
    }
}

}  // namespace ztl::test
