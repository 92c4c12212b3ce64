#include "ui/main_window_widgets.h"

#include <QDragEnterEvent>
#include <QFocusEvent>
#include <QHeaderView>
#include <QTimer>

#include "ui/single_byte_text.h"

namespace ztl::ui {

TotalsGridWidget::TotalsGridWidget(const QString& objectName, const QString& heading, QWidget* parent)
    : QTableWidget(parent) {
    setObjectName(objectName);
    setAccessibleName(heading);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    verticalHeader()->setVisible(false);
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    horizontalHeader()->setStretchLastSection(false);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
}

void TotalsGridWidget::show(const GridContent& grid) {
    clear();
    setColumnCount(static_cast<int>(grid.header.size()));
    setRowCount(static_cast<int>(grid.rows.size()));
    QStringList header;
    for (const auto& h : grid.header) header << fromSingleByte(h);
    setHorizontalHeaderLabels(header);
    const QColor shade(192, 255, 255);
    for (size_t r = 0; r < grid.rows.size(); ++r) {
        for (size_t c = 0; c < grid.header.size(); ++c) {
            auto* item =
                new QTableWidgetItem(c < grid.rows[r].size() ? fromSingleByte(grid.rows[r][c]) : QString());
            if (isShadedRow(r + 1)) item->setBackground(shade);
            setItem(static_cast<int>(r), static_cast<int>(c), item);
        }
    }
    divisors_ = grid.widthDivisors;
    applyWidths();
}

void TotalsGridWidget::resizeEvent(QResizeEvent* event) {
    QTableWidget::resizeEvent(event);
    applyWidths();
}

void TotalsGridWidget::applyWidths() {
    int width = viewport()->width();
    for (size_t c = 0; c < divisors_.size() && static_cast<int>(c) < columnCount(); ++c)
        setColumnWidth(static_cast<int>(c), ui::columnWidth(width, divisors_[c]));
}

SettingField::SettingField(const QString& objectName, const QString& toolTip, QWidget* parent)
    : QLineEdit(parent) {
    setObjectName(objectName);
    setToolTip(toolTip);
    setAcceptDrops(true);
}

void SettingField::focusInEvent(QFocusEvent* event) {
    QLineEdit::focusInEvent(event);
    // After the click that gave the focus has placed the cursor.
    QTimer::singleShot(0, this, &QLineEdit::selectAll);
}

void SettingField::focusOutEvent(QFocusEvent* event) {
    QLineEdit::focusOutEvent(event);
    if (lostFocus) lostFocus(text());
}

void SettingField::dragEnterEvent(QDragEnterEvent* event) {
    setFocus(Qt::OtherFocusReason);
    QLineEdit::dragEnterEvent(event);
}

QLabel* fieldLabel(const QString& objectName, const QString& text, QWidget* field, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(objectName);
    label->setBuddy(field);
    return label;
}

QLabel* statusLabel(const QString& objectName, QWidget* parent) {
    auto* label = new QLabel(parent);
    label->setObjectName(objectName);
    label->setAccessibleDescription(objectName);
    return label;
}

}  // namespace ztl::ui
