#include "ui/after_import_button.h"

#include <QInputDialog>
#include <QLineEdit>
#include <QMenu>
#include <QToolButton>

#include "ui/single_byte_text.h"

namespace ztl::ui {

QToolButton* afterImportButton(QWidget* parent, std::function<void()> reconcile, std::function<void()> undo) {
    auto* button = new QToolButton(parent);
    button->setObjectName("cmdAfterImport");
    button->setText("After the import");
    button->setToolTip("Reconcile the day with QuickBooks, or undo the import");
    button->setPopupMode(QToolButton::InstantPopup);
    auto* menu = new QMenu(button);
    menu->setObjectName("mnuAfterImport");
    QAction* r = menu->addAction("&Reconcile with QuickBooks...");
    r->setObjectName("mnuReconcile");
    QObject::connect(r, &QAction::triggered, button, [reconcile] { reconcile(); });
    QAction* u = menu->addAction("&Undo this import...");
    u->setObjectName("mnuUndo");
    QObject::connect(u, &QAction::triggered, button, [undo] { undo(); });
    button->setMenu(menu);
    // The menu arrow is drawn inside the button: room for it beside the caption.
    button->setMinimumWidth(button->sizeHint().width() + button->fontMetrics().height());
    return button;
}

std::optional<std::string> askForYes(QWidget* parent, const std::string& text) {
    QInputDialog dialog(parent);
    dialog.setObjectName("dlgUndoConfirmation");
    dialog.setWindowTitle("Undo the import");
    dialog.setLabelText(fromSingleByte(text));
    dialog.setTextValue(QString());
    dialog.setInputMode(QInputDialog::TextInput);
    // The dialog makes the listing the field's label, so a screen reader would read the whole
    // listing as the field's name: the field is the place for the answer, as in the warning.
    if (auto* field = dialog.findChild<QLineEdit*>()) field->setAccessibleName("Answer");
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    return toSingleByte(dialog.textValue());
}

}  // namespace ztl::ui
