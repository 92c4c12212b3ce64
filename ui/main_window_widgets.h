#pragma once
// What both editions' main windows are made of: the two grids, the account fields with
// their settings behaviour, and the import controls the run drives. Each edition's window
// lays these out with its own extra controls.
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTableWidget>
#include <functional>

#include "ui/logic/main_window_view.h"

namespace ztl::ui {

// A grid as the main window shows one: header row, read-only cells, odd data rows shaded,
// column widths kept at their divisors of the grid's width when the window is resized.
class TotalsGridWidget : public QTableWidget {
    Q_OBJECT
  public:
    TotalsGridWidget(const QString& objectName, const QString& heading, QWidget* parent);
    void show(const GridContent& grid);
    // Fits the columns to the width the grid's rows have, again: after something beside
    // them (the row marks) took or gave back width.
    void applyWidths();

  protected:
    void resizeEvent(QResizeEvent* event) override;

  private:
    std::vector<double> divisors_;
};

// A field whose whole text is selected when it gains the focus and which takes the focus
// when something is dragged over it; `lostFocus` runs with its text when it loses it.
class SettingField : public QLineEdit {
    Q_OBJECT
  public:
    SettingField(const QString& objectName, const QString& toolTip, QWidget* parent);
    std::function<void(const QString&)> lostFocus;

  protected:
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
};

// A label with its field, the label naming the field for screen readers.
QLabel* fieldLabel(const QString& objectName, const QString& text, QWidget* field, QWidget* parent);
// A label whose text changes while the program runs: found by its control name.
QLabel* statusLabel(const QString& objectName, QWidget* parent);

}  // namespace ztl::ui
