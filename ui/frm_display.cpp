#include "ui/frm_display.h"

#include <QFontDatabase>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QPrintEngine>
#include <QPrinter>
#include <QPushButton>
#include <QSaveFile>
#include <QTextDocument>
#include <QTextEdit>
#include <QTimer>
#include <QVBoxLayout>

#include "platform/vb_error.h"
#include "engine/import/print_demand.h"
#include "ui/qt_prompter.h"
#include "ui/rich_text_file.h"
#include "ui/rtf_writer.h"
#include "ui/single_byte_text.h"
#include "ui/standard_dialogs.h"

namespace ztl::ui {
namespace {
constexpr auto kPrintQualityKey = QPrintEngine::PrintEnginePropertyKey(QPrintEngine::PPK_CustomBase + 5);
}

void setPrintQualityHint(QPrinter& printer, int quality) {
    if (QPrintEngine* engine = printer.printEngine()) engine->setProperty(kPrintQualityKey, quality);
}

int printQualityHint(QPrinter& printer) {
    QPrintEngine* engine = printer.printEngine();
    return engine ? engine->property(kPrintQualityKey).toInt() : 0;
}

frmDisplay::frmDisplay(Program& program, StandardDialogs& dialogs, QWidget* parent)
    : QDialog(parent), program_(program), dialogs_(dialogs) {
    setObjectName("frmDisplay");
    setWindowTitle("Display");
    setModal(true);

    rtb1 = new QTextEdit(this);
    rtb1->setObjectName("rtb1");
    rtb1->setReadOnly(true);
    rtb1->setAccessibleName("Import log");
    // QuickBooks' messages run far past the window's edge: they wrap at its width, as the
    // printout wraps them at the page's.
    rtb1->setLineWrapMode(QTextEdit::WidgetWidth);
    rtb1->setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);

    cmdPrint = new QPushButton("&Print", this);
    cmdPrint->setObjectName("cmdPrint");
    cmdPrint->setToolTip("Print import results");
    cmdSave = new QPushButton("&Save", this);
    cmdSave->setObjectName("cmdSave");
    cmdSave->setToolTip("Save this file ");
    cmdExit = new QPushButton("E&xit", this);
    cmdExit->setObjectName("cmdExit");
    cmdExit->setToolTip("Close this form and exit");
    connect(cmdPrint, &QPushButton::clicked, this, &frmDisplay::cmdPrint_Click);
    connect(cmdSave, &QPushButton::clicked, this, &frmDisplay::cmdSave_Click);
    connect(cmdExit, &QPushButton::clicked, this, &QDialog::accept);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(cmdPrint);
    buttons->addWidget(cmdSave);
    buttons->addWidget(cmdExit);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(rtb1, 1);
    layout->addLayout(buttons);
    resize(760, 520);
}

void frmDisplay::loadFile(const std::string& path) {
    // The import log is column-aligned plain text; a rich-text file brings its own fonts.
    rtb1->document()->setDefaultFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    try {
        loadRichTextFile(path, *rtb1->document());
    } catch (const VbError& e) {
        // The run has just written the log; a log that cannot be read back shows why.
        rtb1->setPlainText(fromSingleByte(e.description));
    }
}

void frmDisplay::setCaption(const std::string& caption) {
    setWindowTitle(fromSingleByte(caption));
}

void frmDisplay::showModal() {
    exec();
}

void frmDisplay::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    // The window becomes active again each time its own message box or print dialog
    // closes; the printout is demanded when it first comes up, never again.
    if (activated_) return;
    activated_ = true;
    QTimer::singleShot(0, this, &frmDisplay::activate);
}

void frmDisplay::keyPressEvent(QKeyEvent* event) {
    if (event->matches(QKeySequence::Cancel) && !cmdExit->isEnabled()) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

void frmDisplay::activate() {
    if (!printoutDemanded_) return;
    cmdExit->setEnabled(false);
    cmdSave->setEnabled(false);
    program_.showMessage(printDemandText(), MsgIcon::Exclamation, MsgButtons::OK);
    if (!printLog()) return;
    cmdExit->setEnabled(true);
    cmdSave->setEnabled(true);
}

void frmDisplay::cmdPrint_Click() {
    printLog();
}

bool frmDisplay::printLog() {
    try {
        QPrinter printer(QPrinter::HighResolution);
        showPrintDialog(dialogs_, printer, this, /*cancelError=*/true);
        setPrintQualityHint(printer, 5);
        // One copy of the whole log, upright, whatever the dialog offered.
        printer.setPrintRange(QPrinter::AllPages);
        printer.setFromTo(0, 0);  // the document printer honours a page range even then
        printer.setCopyCount(1);
        printer.setPageOrientation(QPageLayout::Portrait);
        QTextDocument text;
        text.setDefaultFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
        text.setPlainText(rtb1->toPlainText());
        text.print(&printer);
        return printer.printerState() != QPrinter::Error;
    } catch (const std::exception&) {
        return false;  // cancelled, or the printer failed: silently, as the operator asked
    }
}

void frmDisplay::cmdSave_Click() {
    try {
        FileDialogRequest request;
        request.title = "Save";
        request.fileName = "QBImport.txt";
        request.defaultExtension = "txt";
        request.filter = "*.txt";
        request.initialFolder = documentsFolder();
        request.cancelError = true;
        std::optional<QString> path = showSaveDialog(dialogs_, request, this);
        if (!path) return;
        QSaveFile file(*path);
        if (!file.open(QIODevice::WriteOnly)) return;
        QByteArray rtf = rtf::fromPlainText(QByteArray::fromStdString(toSingleByte(rtb1->toPlainText())));
        if (file.write(rtf) != rtf.size()) return;  // the half-written file is discarded
        file.commit();
    } catch (const std::exception&) {
        // A cancelled or failed save ends silently; the log itself is untouched.
    }
}

std::unique_ptr<ResultsWindow> ResultsWindows::create() {
    return std::make_unique<frmDisplay>(program_, dialogs_, dialogParent());
}

}  // namespace ztl::ui
