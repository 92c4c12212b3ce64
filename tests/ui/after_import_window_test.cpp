// The multi-store window's "After the import" menu on a demo world: the day reconciled in a
// results window that demands no printout, and the import undone after YES is typed.
#include <QAccessible>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTextEdit>
#include <QToolButton>
#include <QtTest>
#include <filesystem>

#include "platform/paths.h"
#include "qbsim/company.h"
#include "support/demo_fixture.h"
#include "support/modal_answer.h"
#include "ui/frm_ztl_main.h"
#include "ui/logic/account_fields.h"
#include "ui/single_byte_text.h"

using namespace ztl;

namespace {

void triggerAfterImport(QWidget& w, const char* action) {
    auto* button = w.findChild<QToolButton*>("cmdAfterImport");
    QVERIFY(button);
    QAction* a = button->menu()->findChild<QAction*>(action);
    QVERIFY(a);
    a->trigger();
}

// Takes the text and caption of the next results window and closes it.
void readResults(QString& caption, QString& text) {
    test::answerNextModal([&caption, &text](QWidget* w) {
        caption = w->windowTitle();
        text = w->findChild<QTextEdit*>("rtb1")->toPlainText();
        auto* exit = w->findChild<QPushButton*>("cmdExit");
        QTRY_VERIFY_WITH_TIMEOUT(exit->isEnabled(), 5000);
        exit->click();
    });
}

// The confirmation answered YES, then the load; the window shown.
void confirmAndLoad(ui::frmZTLMain& w) {
    test::answerNextModal([](QWidget* d) {
        d->findChild<QLineEdit*>("Text1")->setText("YES");
        d->findChild<QPushButton*>("cmdOk")->click();
    });
    QCOMPARE(w.Load(), ms::LoadOutcome::Ready);
    w.show();
}

// Closes the next results window once the log it demands is printed, the `printed`th time.
void closeResultsOnceLogPrinted(test::DemoFixture& f, int printed) {
    test::answerNextModal([&f, printed](QWidget* d) {
        QTRY_VERIFY_WITH_TIMEOUT(f.dialogs.printerRequests >= printed, 5000);
        auto* exit = d->findChild<QPushButton*>("cmdExit");
        QTRY_VERIFY_WITH_TIMEOUT(exit->isEnabled(), 5000);
        exit->click();
    });
}

}  // namespace

class AfterImportWindowTest : public QObject {
    Q_OBJECT
  private slots:
    void reconcileThenUndoFromTheMenu();
    void firstStartInACompanyWithoutNames();
};

void AfterImportWindowTest::reconcileThenUndoFromTheMenu() {
    test::DemoFixture f(Edition::MultiStore, 1);  // store 1 books one entry QuickBooks refuses
    ui::frmZTLMain w(f.program, f.dialogs);
    f.program.mainWindow = &w;
    confirmAndLoad(w);
    f.dialogs.printerAnswers = {QString(f.dir.path() + "/log.pdf")};
    closeResultsOnceLogPrinted(f, 1);
    w.findChild<QPushButton*>("cmdImport")->click();
    QVERIFY(f.program.ImportErrorFlag);
    const std::size_t posted = qbsim::Company::open(f.world.companyFile).journal().size();
    QVERIFY(posted > 0);

    // The archived file is reconciled; the list demands no printout of its own.
    QString caption, text;
    readResults(caption, text);
    triggerAfterImport(w, "mnuReconcile");
    QCOMPARE(caption, QString("Reconciliation with QuickBooks"));
    QVERIFY2(text.contains(": posted\n"), qPrintable(text));
    QVERIFY2(text.contains(": not posted"), qPrintable(text));
    QVERIFY2(text.contains("QuickBooks does not hold the day as the file says."), qPrintable(text));
    QCOMPARE(f.dialogs.printerRequests, 1);
    QVERIFY2(f.program.ImportErrorFlag, "the import's own flag stays");

    // Undo: the listing names the log; a wrong answer removes nothing.
    QString asked;
    test::answerNextModal([&asked](QWidget* d) {
        auto* dialog = qobject_cast<QInputDialog*>(d);
        QVERIFY(dialog);
        asked = dialog->labelText();
        // A reader finds the field by a short name of its own, not by the whole listing.
        auto* field = dialog->findChild<QLineEdit*>();
        QVERIFY(field);
        QAccessibleInterface* a = QAccessible::queryAccessibleInterface(field);
        QVERIFY(a);
        QCOMPARE(a->text(QAccessible::Name), QString("Answer"));
        dialog->setTextValue("yes please");
        dialog->accept();
    });
    triggerAfterImport(w, "mnuUndo");
    QVERIFY2(asked.contains("1QBImport.log"), qPrintable(asked));
    QVERIFY2(asked.contains("Type YES"), qPrintable(asked));
    QCOMPARE(qbsim::Company::open(f.world.companyFile).journal().size(), posted);
    QVERIFY(f.prompter.texts().back().find("Not confirmed") != std::string::npos);

    test::answerNextModal([](QWidget* d) {
        auto* dialog = qobject_cast<QInputDialog*>(d);
        QVERIFY(dialog);
        dialog->setTextValue("YES");
        dialog->accept();
    });
    readResults(caption, text);
    triggerAfterImport(w, "mnuUndo");
    QTRY_COMPARE_WITH_TIMEOUT(caption, QString("Undo of the import"), 5000);
    QVERIFY2(text.contains("Removed from QuickBooks : TxnID"), qPrintable(text));
    QCOMPARE(qbsim::Company::open(f.world.companyFile).journal().size(), std::size_t(0));

    // The window says the day is out of QuickBooks, and Import is offered again: it puts the
    // totals file back from its archive (which stays) and posts the day once more.
    const std::string archive = w.logic().lastArchive.value_or("");
    QVERIFY(!archive.empty());
    auto* count = w.findChild<QLabel*>("lblCheck");
    QVERIFY2(count->text().startsWith("The import is undone: what it posted is out of QuickBooks."),
             qPrintable(count->text()));
    QVERIFY2(count->text().contains(ui::fromSingleByte(archive)), qPrintable(count->text()));
    auto* import = w.findChild<QPushButton*>("cmdImport");
    QVERIFY(import->isEnabled());
    const std::filesystem::path totals = paths::map(w.logic().sourcePath);
    QVERIFY(!std::filesystem::exists(totals));
    f.dialogs.printerAnswers = {QString(f.dir.path() + "/again.pdf")};
    closeResultsOnceLogPrinted(f, 2);
    import->click();
    QCOMPARE(qbsim::Company::open(f.world.companyFile).journal().size(), posted);
    QVERIFY(std::filesystem::exists(paths::map(archive)));
    QVERIFY2(w.logic().lastArchive && *w.logic().lastArchive != archive, "the import again archives anew");
    QVERIFY(!import->isEnabled());
}

void AfterImportWindowTest::firstStartInACompanyWithoutNames() {
    test::DemoFixture f(Edition::MultiStore, 1);
    f.settings = MemorySettingsStore();  // a company never worked with on this workstation
    ui::frmZTLMain w(f.program, f.dialogs);
    f.program.mainWindow = &w;
    confirmAndLoad(w);
    auto* note = w.findChild<QLabel*>("lblFieldsNote");
    QVERIFY(note->isVisible());
    QVERIFY2(note->text().startsWith("No names are stored for this company yet."), qPrintable(note->text()));
    for (const char* field : {"txtARImport", "txtVendImport", "txtTaxImp"})
        QVERIFY(w.findChild<QLineEdit*>(field)->text().isEmpty());

    // Once a name is stored, later starts have nothing to explain; a name cleared on purpose is
    // no first start either.
    f.settings.set(kSettingsApp, f.program.settingsSection, "TaxImportAccount", "");
    QCOMPARE(ui::readAccountFields(f.program).note, std::string());
}

QTEST_MAIN(AfterImportWindowTest)
#include "after_import_window_test.moc"
