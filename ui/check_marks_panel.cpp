#include "ui/check_marks_panel.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QVBoxLayout>

#include "ui/single_byte_text.h"

namespace ztl::ui {

QString markText(const CheckMarks::Row& row) {
    return "Invoice " + fromSingleByte(row.refNumber) + " " + fromSingleByte(row.verdict) + ": " +
           fromSingleByte(row.reason);
}

CheckMarksPanel::CheckMarksPanel(TotalsGridWidget* grid, QWidget* parent) : QWidget(parent), grid_(grid) {
    setObjectName("pnlCheck");
    lblCheck = statusLabel("lblCheck", this);
    lblCheck->setWordWrap(true);
    lblCheckReason = statusLabel("lblCheckReason", this);
    lblCheckReason->setWordWrap(true);
    lblCheckReason->setVisible(false);
    lnkCheckDetails = new QLabel("<a href=\"details\">Details</a>", this);
    lnkCheckDetails->setObjectName("lnkCheckDetails");
    lnkCheckDetails->setToolTip("Why the check is incomplete, in QuickBooks' own words");
    lnkCheckDetails->setVisible(false);
    lblCheckDetails = statusLabel("lblCheckDetails", this);
    lblCheckDetails->setWordWrap(true);
    lblCheckDetails->setTextInteractionFlags(Qt::TextSelectableByMouse);
    lblCheckDetails->setVisible(false);
    connect(lnkCheckDetails, &QLabel::linkActivated, this,
            [this] { lblCheckDetails->setVisible(!lblCheckDetails->isVisible()); });
    auto* countRow = new QHBoxLayout;
    countRow->addWidget(lblCheck, 1);
    countRow->addWidget(lnkCheckDetails, 0, Qt::AlignTop);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addLayout(countRow);
    layout->addWidget(lblCheckDetails);
    layout->addWidget(lblCheckReason);
    setVisible(false);

    // The marks take width from the rows: the columns are fitted again when they do.
    viewport_ = grid_->viewport();
    viewport_->installEventFilter(this);
    connect(grid_, &QTableWidget::currentCellChanged, this, [this](int row) { showReasonOf(row); });
}

bool CheckMarksPanel::eventFilter(QObject* watched, QEvent* event) {
    // The viewport's events also come while the grid is being destroyed, when it is a grid
    // no more: only a resize of the viewport, known by its address, reaches the grid.
    if (event->type() == QEvent::Resize && watched == viewport_) grid_->applyWidths();
    return QWidget::eventFilter(watched, event);
}

void CheckMarksPanel::clearMarks() {
    for (int row = 0; row < grid_->rowCount(); ++row) delete grid_->takeVerticalHeaderItem(row);
    for (const auto& [row, mark] : byRow_) {
        if (row >= grid_->rowCount()) continue;
        for (int c = 0; c < grid_->columnCount(); ++c) {
            if (QTableWidgetItem* item = grid_->item(row, c)) {
                item->setToolTip({});
                item->setData(Qt::AccessibleDescriptionRole, QVariant());
            }
        }
    }
    byRow_.clear();
}

void CheckMarksPanel::showMarks(const CheckMarks& marks) {
    clearMarks();
    for (const auto& r : marks.rows) byRow_[r.row] = r;

    const bool any = !byRow_.empty();
    QHeaderView* header = grid_->verticalHeader();
    if (any) {
        // Every row gets a header item, so that the unmarked ones show nothing rather than
        // their numbers.
        for (int row = 0; row < grid_->rowCount(); ++row) {
            auto it = byRow_.find(row);
            auto* h = new QTableWidgetItem(it != byRow_.end() && it->second.first ? "!" : "");
            if (it != byRow_.end()) {
                h->setToolTip(markText(it->second));
                h->setForeground(QColor(176, 0, 0));
                h->setData(Qt::AccessibleTextRole,
                           it->second.first ? fromSingleByte(it->second.verdict) : QString());
            }
            grid_->setVerticalHeaderItem(row, h);
        }
        for (const auto& [row, mark] : byRow_) {
            if (row >= grid_->rowCount()) continue;
            for (int c = 0; c < grid_->columnCount(); ++c) {
                if (QTableWidgetItem* item = grid_->item(row, c)) {
                    item->setToolTip(markText(mark));
                    item->setData(Qt::AccessibleDescriptionRole, markText(mark));
                }
            }
        }
    }
    header->setVisible(any);

    const QString count = fromSingleByte(marks.countLine);
    lblCheck->setText(count);
    lblCheck->setAccessibleName(count);
    lblCheck->setStyleSheet(any ? "color: rgb(176, 0, 0);" : "");
    setDetails(fromSingleByte(marks.details));
    setVisible(!count.isEmpty());
    showReasonOf(grid_->currentRow());
}

void CheckMarksPanel::showProgress(const QString& line) {
    const QString text = "Checking the transactions again. " + line;
    lblCheck->setText(text);
    lblCheck->setAccessibleName(text);
    setVisible(true);
}

void CheckMarksPanel::addToCountLine(const QString& sentence) {
    // The check's own details may carry the same words already.
    if (sentence.isEmpty() || lblCheck->text().contains(sentence) || details().contains(sentence)) return;
    setDetails(details().isEmpty() ? sentence : details() + "\n" + sentence);
    setVisible(true);
}

QString CheckMarksPanel::countLine() const {
    return lblCheck->text();
}

QString CheckMarksPanel::details() const {
    return lblCheckDetails->text();
}

void CheckMarksPanel::setDetails(const QString& text) {
    lblCheckDetails->setText(text);
    lblCheckDetails->setAccessibleName(text);
    lblCheck->setToolTip(text);
    lnkCheckDetails->setVisible(!text.isEmpty());
    if (text.isEmpty()) lblCheckDetails->setVisible(false);
}

void CheckMarksPanel::showReasonOf(int row) {
    auto it = byRow_.find(row);
    const QString text = it == byRow_.end() ? QString() : markText(it->second);
    lblCheckReason->setText(text);
    lblCheckReason->setAccessibleName(text);
    lblCheckReason->setVisible(!text.isEmpty());
}

}  // namespace ztl::ui
