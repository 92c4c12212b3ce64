#pragma once
// The check before an import in the main window: a mark "!" beside the totals grid's H row of
// each transaction an import would not get into QuickBooks (in the grid's row header, so the
// grid's own columns stay as they are), the reason as the tooltip and accessible description
// of the transaction's rows, and below the grid the count line and the reason for the
// transaction under the grid's cursor.
#include <QLabel>
#include <QWidget>
#include <map>

#include "ui/logic/check_marks.h"
#include "ui/main_window_widgets.h"

namespace ztl::ui {

class CheckMarksPanel : public QWidget {
    Q_OBJECT
  public:
    CheckMarksPanel(TotalsGridWidget* grid, QWidget* parent);
    // Shows the marks of a check on the grid as it is filled now, in place of earlier ones.
    void showMarks(const CheckMarks& marks);
    // While the check runs again: what it waits for, in the count line; the marks stay.
    void showProgress(const QString& line);
    // Why QuickBooks could not be asked, after the check ran again: among the details, once;
    // the count line says the cause short.
    void addToCountLine(const QString& sentence);
    QString countLine() const;
    QString details() const;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void showReasonOf(int row);
    void clearMarks();
    void setDetails(const QString& text);

    TotalsGridWidget* grid_;
    QObject* viewport_ = nullptr;  // the grid's viewport, compared by address only
    QLabel* lblCheck;        // the count line
    QLabel* lblCheckReason;  // the reason of the transaction under the cursor
    QLabel* lnkCheckDetails;  // "Details", when the count line says a cause short
    QLabel* lblCheckDetails;  // the cause in full, shown on demand
    std::map<int, CheckMarks::Row> byRow_;
};

// The text a marked row shows as its tooltip and tells screen readers.
QString markText(const CheckMarks::Row& row);

}  // namespace ztl::ui
