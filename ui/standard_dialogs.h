#pragma once
// The standard dialogs a window asks the operator through: choose a printer, a file to save
// to, a file to open. One seam, so that tests answer them instead of an operator. Like the
// common dialog the windows were designed around, a request can ask for cancelling to be
// reported as error 32755 ("Cancel was selected."); otherwise a cancel comes back empty.
#include <QString>
#include <optional>

class QPrinter;
class QWidget;

namespace ztl::ui {

struct FileDialogRequest {
    QString title;
    QString fileName;          // proposed name
    QString defaultExtension;  // appended when the operator types a name without one
    QString filter;            // "QB Company Files (*.qbw)"
    QString initialFolder;
    bool cancelError = false;
};

class StandardDialogs {
  public:
    virtual ~StandardDialogs() = default;
    // Configures `printer` as the operator chose; false when they cancelled.
    virtual bool choosePrinter(QPrinter& printer, QWidget* parent) = 0;
    // The chosen path, or nothing when cancelled.
    virtual std::optional<QString> chooseSaveFile(const FileDialogRequest& request, QWidget* parent) = 0;
    virtual std::optional<QString> chooseOpenFile(const FileDialogRequest& request, QWidget* parent) = 0;
};

// QPrintDialog and QFileDialog.
class QtStandardDialogs : public StandardDialogs {
  public:
    bool choosePrinter(QPrinter& printer, QWidget* parent) override;
    std::optional<QString> chooseSaveFile(const FileDialogRequest& request, QWidget* parent) override;
    std::optional<QString> chooseOpenFile(const FileDialogRequest& request, QWidget* parent) override;
};

// The dialogs with the request's cancel rule applied: throw 32755 on a cancel when the
// request asks for it, else return the choice (empty on a cancel).
void showPrintDialog(StandardDialogs& dialogs, QPrinter& printer, QWidget* parent, bool cancelError);
std::optional<QString> showSaveDialog(StandardDialogs& dialogs, const FileDialogRequest& request,
                                      QWidget* parent);
std::optional<QString> showOpenDialog(StandardDialogs& dialogs, const FileDialogRequest& request,
                                      QWidget* parent);

// The user's documents folder, where the windows propose to save and to look.
QString documentsFolder();

}  // namespace ztl::ui
