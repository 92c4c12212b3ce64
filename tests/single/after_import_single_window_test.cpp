// The single-store window's "After the import" button: a reconciliation before the import
// leaves the window's own engine object able to import, and the undo afterwards removes
// what the import posted, although the totals file is gone.
#include <QInputDialog>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QTextEdit>
#include <QToolButton>
#include <QtTest>

#include "platform/paths.h"

#include "qbsim/company.h"
#include "single/frm_ztl_main.h"
#include "single_store_fixture.h"
#include "support/modal_answer.h"

using namespace ztl;
namespace fs = std::filesystem;

namespace {

void trigger(QWidget& w, const char* action) {
    auto* button = w.findChild<QToolButton*>("cmdAfterImport");
    QVERIFY(button);
    button->menu()->findChild<QAction*>(action)->trigger();
}

void readResults(QString& caption, QString& text) {
    test::answerNextModal([&caption, &text](QWidget* w) {
        caption = w->windowTitle();
        text = w->findChild<QTextEdit*>("rtb1")->toPlainText();
        auto* exit = w->findChild<QPushButton*>("cmdExit");
        QTRY_VERIFY_WITH_TIMEOUT(exit->isEnabled(), 5000);
        exit->click();
    });
}

}  // namespace

class AfterImportSingleWindowTest : public QObject {
    Q_OBJECT
  private slots:
    void reconcileImportAndUndo();
};

void AfterImportSingleWindowTest::reconcileImportAndUndo() {
    test::SingleStoreFixture f;
    single::frmZTLMain w(f.program, f.dialogs);
    f.program.mainWindow = &w;
    QCOMPARE(w.Load(), single::LoadOutcome::Ready);
    w.show();

    QString caption, text;
    readResults(caption, text);
    trigger(w, "mnuReconcile");
    QCOMPARE(caption, QString("Reconciliation with QuickBooks"));
    QCOMPARE(text.count(": not posted"), 3);

    readResults(caption, text);
    w.findChild<QPushButton*>("cmdImport")->click();
    QVERIFY2(f.prompter.shown.empty(), f.prompter.shown.empty() ? "" : f.prompter.shown[0].text.c_str());
    QCOMPARE(qbsim::Company::open(f.world.companyFile).journal().size(), size_t(3));
    QVERIFY(!fs::exists(f.world.singleStoreTotalsFile));
    const std::optional<TotalsFileOutcome>& outcome = w.logic().lastOutcome;
    QVERIFY(outcome && outcome->fate == TotalsFileFate::Removed && !outcome->archive.empty());
    QVERIFY(fs::exists(paths::map(outcome->archive)));

    test::answerNextModal([](QWidget* d) {
        auto* dialog = qobject_cast<QInputDialog*>(d);
        QVERIFY(dialog);
        dialog->setTextValue("YES");
        dialog->accept();
    });
    readResults(caption, text);
    trigger(w, "mnuUndo");
    QTRY_COMPARE_WITH_TIMEOUT(caption, QString("Undo of the import"), 5000);
    QCOMPARE(text.count("Removed from QuickBooks : TxnID"), 3);
    // The day posted whole left a copy under its archive name: the undo compares each entry
    // with the day's own file, not with QuickBooks' record alone.
    QVERIFY2(!text.contains("QuickBooks' own record of its changes only"), qPrintable(text));
    QCOMPARE(qbsim::Company::open(f.world.companyFile).journal().size(), size_t(0));

    // Import is offered again: the day comes back from its copy (which stays) and is posted
    // by a new engine object, the one that ran first having closed its connection.
    const std::string copy = outcome->archive;
    auto* import = w.findChild<QPushButton*>("cmdImport");
    QVERIFY(import->isEnabled());
    QVERIFY2(w.findChild<QLabel*>("lblCheck")->text().startsWith("The import is undone"),
             qPrintable(w.findChild<QLabel*>("lblCheck")->text()));
    readResults(caption, text);
    import->click();
    QVERIFY2(f.prompter.shown.empty(), f.prompter.shown.empty() ? "" : f.prompter.shown[0].text.c_str());
    QCOMPARE(qbsim::Company::open(f.world.companyFile).journal().size(), size_t(3));
    QVERIFY(fs::exists(paths::map(copy)));
    QVERIFY(!fs::exists(f.world.singleStoreTotalsFile));
}

QTEST_MAIN(AfterImportSingleWindowTest)
#include "after_import_single_window_test.moc"
