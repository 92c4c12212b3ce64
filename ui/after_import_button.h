#pragma once
// The main windows' "After the import" button: a menu with the reconciliation of the day
// with QuickBooks and the undo of the import, placed beside the window's own controls.
#include <functional>
#include <optional>
#include <string>

#include <QToolButton>

namespace ztl::ui {

QToolButton* afterImportButton(QWidget* parent, std::function<void()> reconcile, std::function<void()> undo);

// The undo's confirmation: the listing above a field where the operator types YES, as in
// the confirmation window. Nothing when cancelled.
std::optional<std::string> askForYes(QWidget* parent, const std::string& text);

}  // namespace ztl::ui
