// The results window: the printout it demands after a refused entry, printing to paper (a
// PDF here) and saving as rich text, and the window always closing.
#include <QFile>
#include <QProcess>
#include <QPushButton>
#include <QTextEdit>
#include <QtTest>
#include <filesystem>
#include <fstream>

#include "engine/import/cls_ztl.h"
#include "support/demo_fixture.h"
#include "support/modal_answer.h"
#include "support/scripted_dialogs.h"
#include "ui/frm_display.h"
#include "ui/rtf_reader.h"

using namespace ztl;
namespace fs = std::filesystem;

namespace {

QString pdfText(const QString& pdf) {
    QProcess p;
    p.start("pdftotext", {"-layout", pdf, "-"});
    p.waitForFinished(20000);
    return QString::fromUtf8(p.readAllStandardOutput());
}

// "Pages:" and "Page size:" of the PDF's information.
QString pdfInfo(const QString& pdf, const QString& key) {
    QProcess p;
    p.start("pdfinfo", {pdf});
    p.waitForFinished(20000);
    QRegularExpressionMatch m =
        QRegularExpression("^" + key + ":\\s+(.*)$", QRegularExpression::MultilineOption)
            .match(QString::fromUtf8(p.readAllStandardOutput()));
    return m.hasMatch() ? m.captured(1).trimmed() : QString();
}

struct Results {
    QTemporaryDir dir;
    Program program;
    RecordingPrompter prompter;
    test::ScriptedDialogs dialogs;
    std::string log;

    explicit Results(int lines, bool refused) {
        program.prompter = &prompter;
        program.ImportErrorFlag = refused;
        std::string text = "Korvane Zentrel import log\r\n";
        for (int i = 1; i <= lines; ++i)
            text += "Transaction : " + std::to_string(i) + "    Invoice : 00" + std::to_string(4700 + i) +
                    " Caf\xE9\r\n";
        log = dir.path().toStdString() + "/QBImport.log";
        std::ofstream(log, std::ios::binary) << text;
    }
    QString pdf() const { return dir.path() + "/printed.pdf"; }
};

// Runs the window modally; `whileShown` acts once its activation is over (the scripted
// printer has been asked `printRequests` times), then the window is closed by its frame.
void runModal(ui::frmDisplay& w, test::ScriptedDialogs& dialogs, int printRequests,
              std::function<void(QWidget*)> whileShown) {
    test::answerNextModal([&, printRequests, whileShown](QWidget* m) {
        QTRY_COMPARE_WITH_TIMEOUT(dialogs.printerRequests, printRequests, 5000);
        QTest::qWait(50);  // a second activation would ask again by now
        whileShown(m);
        m->close();
    });
    w.showModal();
}

bool enabled(QWidget* w, const char* name) {
    return w->findChild<QPushButton*>(name)->isEnabled();
}

}  // namespace

class ResultsWindowTest : public QObject {
    Q_OBJECT
  private slots:
    void withoutErrorsNothingIsDemandedAndEverythingWorks();
    void afterARefusalThePrintoutIsDemandedOnceBeforeSaveAndExit();
    void escapeWaitsForExit();
    void printsEveryLineOnceWhateverTheDialogSays();
    void savesRichTextAtomically();
    void importRunShowsItsLogAndDemandsThePrintout();
};

void ResultsWindowTest::withoutErrorsNothingIsDemandedAndEverythingWorks() {
    Results r(3, false);
    ui::frmDisplay w(r.program, r.dialogs);
    w.demandPrintout(r.program.ImportErrorFlag);
    QCOMPARE(w.windowTitle(), QString("Display"));
    w.loadFile(r.log);
    w.setCaption("Import results");
    QCOMPARE(w.windowTitle(), QString("Import results"));
    bool allEnabled = false;
    runModal(w, r.dialogs, 0, [&](QWidget* m) {
        allEnabled = enabled(m, "cmdPrint") && enabled(m, "cmdSave") && enabled(m, "cmdExit");
        QVERIFY(
            m->findChild<QTextEdit*>("rtb1")->toPlainText().contains(QString::fromUtf8("004703 Caf\u00e9")));
    });
    QVERIFY(allEnabled);
    QVERIFY(r.prompter.shown.empty());
}

void ResultsWindowTest::afterARefusalThePrintoutIsDemandedOnceBeforeSaveAndExit() {
    {
        // The operator cancels the printout: Save and Exit stay disabled, also after a
        // printout from the Print button; the frame's close still closes the window.
        Results r(3, true);
        ui::frmDisplay w(r.program, r.dialogs);
    w.demandPrintout(r.program.ImportErrorFlag);
        w.loadFile(r.log);
        r.dialogs.printerAnswers = {std::nullopt, r.pdf()};
        bool disabledAfterCancel = false, disabledAfterPrint = false;
        runModal(w, r.dialogs, 1, [&](QWidget* m) {
            disabledAfterCancel = !enabled(m, "cmdSave") && !enabled(m, "cmdExit");
            m->findChild<QPushButton*>("cmdPrint")->click();
            disabledAfterPrint = !enabled(m, "cmdSave") && !enabled(m, "cmdExit");
        });
        QVERIFY(disabledAfterCancel);
        QVERIFY(disabledAfterPrint);
        QVERIFY(QFile::exists(r.pdf()));
        QVERIFY(!w.isVisible());
        QCOMPARE(r.prompter.shown.size(), size_t(1));
        QCOMPARE(r.prompter.shown[0].icon, MsgIcon::Exclamation);
        QCOMPARE(r.prompter.shown[0].text,
                 std::string("Import errors have occured !\nYou MUST print this log file to continue.\n"
                             " Consult your documentation for import error procedure.\n\n"
                             "Click OK to print the import log file."));
    }
    {
        // Printed: Save and Exit work. The demand came once although the window became
        // active again after the message box and the print dialog.
        Results r(3, true);
        ui::frmDisplay w(r.program, r.dialogs);
    w.demandPrintout(r.program.ImportErrorFlag);
        w.loadFile(r.log);
        r.dialogs.printerAnswers = {r.pdf()};
        bool enabledAfterPrint = false;
        runModal(w, r.dialogs, 1, [&](QWidget* m) {
            enabledAfterPrint = enabled(m, "cmdSave") && enabled(m, "cmdExit");
            m->activateWindow();
            QTest::qWait(50);
        });
        QVERIFY(enabledAfterPrint);
        QCOMPARE(r.prompter.shown.size(), size_t(1));
        QCOMPARE(r.dialogs.printerRequests, 1);
    }
}

void ResultsWindowTest::escapeWaitsForExit() {
    for (bool printed : {false, true}) {
        Results r(3, true);
        ui::frmDisplay w(r.program, r.dialogs);
    w.demandPrintout(r.program.ImportErrorFlag);
        w.loadFile(r.log);
        r.dialogs.printerAnswers = {printed ? std::optional<QString>(r.pdf()) : std::nullopt};
        bool openAfterEscape = false;
        runModal(w, r.dialogs, 1, [&](QWidget* m) {
            QTest::keyClick(m, Qt::Key_Escape);
            QTest::qWait(20);
            openAfterEscape = m->isVisible();
        });
        QCOMPARE(openAfterEscape, !printed);  // only an enabled Exit lets Escape close it
        QVERIFY(!w.isVisible());
    }
}

void ResultsWindowTest::printsEveryLineOnceWhateverTheDialogSays() {
    Results r(150, false);  // several pages
    ui::frmDisplay w(r.program, r.dialogs);
    w.demandPrintout(r.program.ImportErrorFlag);
    w.loadFile(r.log);
    r.dialogs.printerAnswers = {r.pdf()};
    r.dialogs.adjustPrinter = [](QPrinter& p) {
        p.setPrintRange(QPrinter::PageRange);
        p.setFromTo(2, 2);
        p.setCopyCount(3);
        p.setPageOrientation(QPageLayout::Landscape);
    };
    runModal(w, r.dialogs, 0, [&](QWidget* m) { m->findChild<QPushButton*>("cmdPrint")->click(); });
    QString text = pdfText(r.pdf());
    for (int i = 1; i <= 150; ++i)
        QVERIFY2(text.contains(QString("Transaction : %1 ").arg(i)), qPrintable(QString::number(i)));
    QCOMPARE(text.count("Transaction : 17 "), 1);  // one copy
    QVERIFY(pdfInfo(r.pdf(), "Pages").toInt() >= 3);
    QStringList size = pdfInfo(r.pdf(), "Page size").split(' ');           // "612 x 792 pts (letter)"
    QVERIFY(size.size() >= 3 && size[0].toDouble() < size[2].toDouble());  // upright
}

void ResultsWindowTest::savesRichTextAtomically() {
    Results r(4, false);
    ui::frmDisplay w(r.program, r.dialogs);
    w.demandPrintout(r.program.ImportErrorFlag);
    w.loadFile(r.log);
    QString saved = r.dir.path() + "/QBImport.txt";
    QString locked = r.dir.path() + "/no such folder/QBImport.txt";
    r.dialogs.fileAnswers = {saved, locked, std::nullopt};
    runModal(w, r.dialogs, 0, [&](QWidget* m) {
        for (int i = 0; i < 3; ++i) m->findChild<QPushButton*>("cmdSave")->click();
    });
    QCOMPARE(r.dialogs.fileRequests.size(), size_t(3));
    const ui::FileDialogRequest& req = r.dialogs.fileRequests[0];
    QCOMPARE(req.title, QString("Save"));
    QCOMPARE(req.fileName, QString("QBImport.txt"));
    QCOMPARE(req.defaultExtension, QString("txt"));
    QCOMPARE(req.filter, QString("*.txt"));
    QVERIFY(req.cancelError);

    QFile file(saved);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QByteArray rtf = file.readAll();
    QVERIFY(rtf.startsWith("{\\rtf1"));
    QVERIFY(rtf.contains("\\ansicpg1252"));
    QVERIFY(rtf.contains("Transaction : 2    Invoice : 004702 Caf\\'e9\\par"));
    QTextDocument back;
    QVERIFY(rtf::readInto(rtf, back));
    QCOMPARE(back.toPlainText().trimmed(), w.findChild<QTextEdit*>("rtb1")->toPlainText().trimmed());
    // The save into a folder that cannot be written left nothing behind and said nothing.
    QVERIFY(!QFile::exists(locked));
    QCOMPARE(QDir(r.dir.path()).entryList(QDir::Files).size(), 2);  // the log and the saved file
    QVERIFY(r.prompter.shown.empty());
}

void ResultsWindowTest::importRunShowsItsLogAndDemandsThePrintout() {
    test::DemoFixture f(Edition::MultiStore, 1);  // one entry QuickBooks refuses
    f.program.settingsSection = "ZentrelMS\\Settings\\" + f.world.companyFileName;
    QString pdf = f.dir.path() + "/log.pdf";
    f.dialogs.printerAnswers = {pdf};
    QString shownLog;
    test::answerNextModal([&](QWidget* m) {
        QTRY_COMPARE_WITH_TIMEOUT(f.dialogs.printerRequests, 1, 5000);
        QTRY_VERIFY(m->findChild<QPushButton*>("cmdExit")->isEnabled());
        shownLog = m->findChild<QTextEdit*>("rtb1")->toPlainText();
        QCOMPARE(m->windowTitle(), QString("Import results"));
        m->findChild<QPushButton*>("cmdExit")->click();
    });
    {
        clsZTL run(f.program);
        run.X390source(f.world.stores[0].totalsSource);
        run.NewStartImport();
    }
    QVERIFY(f.program.ImportErrorFlag);
    QVERIFY(shownLog.contains("ERROR   ----------> !!! Import aborted !!! <--------- !"));
    QVERIFY(shownLog.contains("Import successful"));
    QString printed = pdfText(pdf);
    QVERIFY(printed.contains("Import aborted"));
    QCOMPARE(f.prompter.shown.size(), size_t(1));  // the demand, nothing else
}

QTEST_MAIN(ResultsWindowTest)
#include "frm_display_test.moc"
