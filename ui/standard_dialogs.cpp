#include "ui/standard_dialogs.h"

#include <QDir>
#include <QFileDialog>
#include <QPrintDialog>
#include <QPrinter>
#include <QStandardPaths>

#include "platform/vb_error.h"

namespace ztl::ui {
namespace {

VbError cancelled() {
    return VbError(vb::kDialogCancelled, "CommonDialog", vbDescription(vb::kDialogCancelled));
}

std::optional<QString> withCancelRule(std::optional<QString> chosen, const FileDialogRequest& request) {
    if (!chosen && request.cancelError) throw cancelled();
    return chosen;
}

void configure(QFileDialog& d, const FileDialogRequest& r) {
    if (!r.title.isEmpty()) d.setWindowTitle(r.title);
    if (!r.filter.isEmpty()) d.setNameFilter(r.filter);
    if (!r.defaultExtension.isEmpty()) d.setDefaultSuffix(r.defaultExtension);
    if (!r.initialFolder.isEmpty()) d.setDirectory(r.initialFolder);
    if (!r.fileName.isEmpty()) d.selectFile(r.fileName);
}

std::optional<QString> runFileDialog(const FileDialogRequest& r, QWidget* parent,
                                     QFileDialog::AcceptMode mode) {
    QFileDialog d(parent);
    d.setAcceptMode(mode);
    d.setFileMode(mode == QFileDialog::AcceptSave ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    configure(d, r);
    if (d.exec() != QDialog::Accepted || d.selectedFiles().isEmpty()) return std::nullopt;
    return d.selectedFiles().front();
}

}  // namespace

bool QtStandardDialogs::choosePrinter(QPrinter& printer, QWidget* parent) {
    QPrintDialog d(&printer, parent);
    return d.exec() == QDialog::Accepted;
}

std::optional<QString> QtStandardDialogs::chooseSaveFile(const FileDialogRequest& request, QWidget* parent) {
    return runFileDialog(request, parent, QFileDialog::AcceptSave);
}

std::optional<QString> QtStandardDialogs::chooseOpenFile(const FileDialogRequest& request, QWidget* parent) {
    return runFileDialog(request, parent, QFileDialog::AcceptOpen);
}

void showPrintDialog(StandardDialogs& dialogs, QPrinter& printer, QWidget* parent, bool cancelError) {
    if (!dialogs.choosePrinter(printer, parent) && cancelError) throw cancelled();
}

std::optional<QString> showSaveDialog(StandardDialogs& dialogs, const FileDialogRequest& request,
                                      QWidget* parent) {
    return withCancelRule(dialogs.chooseSaveFile(request, parent), request);
}

std::optional<QString> showOpenDialog(StandardDialogs& dialogs, const FileDialogRequest& request,
                                      QWidget* parent) {
    return withCancelRule(dialogs.chooseOpenFile(request, parent), request);
}

QString documentsFolder() {
    QString docs = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    return docs.isEmpty() ? QDir::homePath() : docs;
}

}  // namespace ztl::ui
