// The check before an import in both main windows, on the demo world: the marks beside the
// totals grid and the count below it after the load, the reason of the transaction under
// the cursor, the grid's own rows untouched, the check run again once another name is stored
// and the focus has left the account fields, also through a slow QuickBooks with the
// operator typing on, and what the line and the marks say after a run.
#include <QAccessible>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QtTest>

#include "../single/single_store_fixture.h"
#include "single/frm_ztl_main.h"
#include "support/demo_fixture.h"
#include "support/keyboard_operator.h"
#include "support/modal_answer.h"
#include "support/slow_quickbooks.h"
#include "ui/check_marks_panel.h"
#include "ui/frm_ztl_main.h"
#include "ui/logic/grid_content.h"
#include "ui/quickbooks_wait_window.h"
#include "ui/single_byte_text.h"

using namespace ztl;

namespace {

// The rows whose header carries the mark.
QList<int> markedRows(QTableWidget* grid) {
    QList<int> rows;
    for (int r = 0; r < grid->rowCount(); ++r)
        if (grid->verticalHeaderItem(r) && grid->verticalHeaderItem(r)->text() == "!") rows << r;
    return rows;
}

// The grid's cells are the totals table's rows, whatever the marks.
void verifyRowsAre(QTableWidget* grid, const TotalsTable& totals) {
    ui::GridContent content = ui::totalsGrid(totals);
    QCOMPARE(grid->rowCount(), int(content.rows.size()));
    QCOMPARE(grid->columnCount(), 2);
    for (int r = 0; r < grid->rowCount(); ++r)
        for (int c = 0; c < 2; ++c)
            QCOMPARE(grid->item(r, c)->text(), ui::fromSingleByte(content.rows[r][c]));
}

// Types `text` into `field`, then moves the focus to `next`, as the operator does.
void typeInto(QWidget& window, const char* field, const QString& text, const char* next) {
    auto* f = window.findChild<QLineEdit*>(field);
    f->setFocus();
    QTRY_VERIFY(f->hasFocus());
    f->setText(text);
    window.findChild<QWidget*>(next)->setFocus();
    QTRY_VERIFY(!f->hasFocus());
}

// Where Tab goes from `w`.
QWidget* nextTabStop(QWidget* w) {
    QWidget* next = w->nextInFocusChain();
    while (next != w && !((next->focusPolicy() & Qt::TabFocus) && next->isVisible() && next->isEnabled()))
        next = next->nextInFocusChain();
    return next;
}

}  // namespace

class CheckMarksWindowTest : public QObject {
    Q_OBJECT
  private slots:
    void multiStoreMarksTheRefusedEntryAndChecksAgainWhenANameIsStored();
    void singleStoreShowsNoMarksForASoundDayAndMarksAfterAWrongVendor();
    void namesTypedThroughASlowQuickBooksAreAllStoredAndTheKeysStayTheOperators();
    void importPressedWhileTheCheckWaitsRunsAfterIt();
    void anIncompleteCheckSaysItsCauseOnceWithTheDetailsOnDemand();
    void theDaysAnUnattendedRunKeptAreNamed();
};

void CheckMarksWindowTest::multiStoreMarksTheRefusedEntryAndChecksAgainWhenANameIsStored() {
    test::DemoFixture f(Edition::MultiStore, 1);  // store 1 books account 6400, which the chart lacks
    ui::frmZTLMain w(f.program, f.dialogs);
    f.program.mainWindow = &w;
    test::answerNextModal([](QWidget* m) {
        m->findChild<QLineEdit*>("Text1")->setText("YES");
        m->findChild<QPushButton*>("cmdOk")->click();
    });
    QCOMPARE(w.Load(), ms::LoadOutcome::Ready);
    QVERIFY(f.prompter.shown.empty());
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));

    auto* grid = w.findChild<QTableWidget*>("grdX390");
    auto* count = w.findChild<QLabel*>("lblCheck");
    auto* reason = w.findChild<QLabel*>("lblCheckReason");
    QCOMPARE(count->text(), QString("1 of 7 transactions will not be posted: see the marks"));
    QCOMPARE(count->accessibleName(), count->text());
    // The lines change with every check and run: a reader finds them by a key that stays.
    for (QLabel* line : {count, reason, w.findChild<QLabel*>("lblCheckDetails")}) {
        QAccessibleInterface* a = QAccessible::queryAccessibleInterface(line);
        QVERIFY(a);
        QCOMPARE(a->text(QAccessible::Description), line->objectName());
    }
    QCOMPARE(QAccessible::queryAccessibleInterface(count)->text(QAccessible::Name), count->text());
    verifyRowsAre(grid, *w.logic().totals);
    QVERIFY(grid->verticalHeader()->isVisible());
    const QList<int> marked = markedRows(grid);
    QCOMPARE(marked.size(), 1);
    const int h = marked[0];
    QCOMPARE(grid->item(h, 0)->text(), QString("Inv:101004"));
    const QString why =
        "Invoice 101004 will not be posted: account code 6400 names no account in the company's chart";
    QCOMPARE(grid->verticalHeaderItem(h)->data(Qt::AccessibleTextRole).toString(),
             QString("will not be posted"));
    // Every row of the transaction tells its reason; an unmarked row tells none.
    for (int r : {h, h + 1, h + 2}) {
        QCOMPARE(grid->item(r, 1)->toolTip(), why);
        QCOMPARE(grid->item(r, 0)->data(Qt::AccessibleDescriptionRole).toString(), why);
    }
    QCOMPARE(grid->item(h + 3, 0)->toolTip(), QString());
    QCOMPARE(grid->item(h - 3, 0)->toolTip(), QString());

    // The reason of the transaction under the cursor, for the keyboard and screen readers.
    grid->setCurrentCell(h + 1, 1);
    QCOMPARE(reason->text(), why);
    QCOMPARE(reason->accessibleName(), why);
    QVERIFY(reason->isVisible());
    grid->setCurrentCell(1, 0);
    QVERIFY(!reason->isVisible());
    QVERIFY(w.findChild<QPushButton*>("cmdImport")->isEnabled());  // the sound ones may still go

    // Without the sales-tax vendor every entry with a tax line is refused as well; with it
    // back, only the unknown account is.
    // Within the fields the name is stored at once, the check waits until they are left.
    typeInto(w, "txtTaxImp", "", "txtARImport");
    QCOMPARE(f.settings.get("ZTL", f.program.settingsSection, "TaxImportAccount", "?"), std::string());
    QCOMPARE(count->text(), QString("1 of 7 transactions will not be posted: see the marks"));
    grid->setFocus();
    const QRegularExpression someMarked("^[2-7] of 7 transactions will not be posted: see the marks$");
    QTRY_VERIFY2(count->text().contains(someMarked), qPrintable(count->text()));
    QVERIFY(markedRows(grid).size() > 1);
    for (int r : markedRows(grid))
        if (r != h)
            QVERIFY2(grid->item(r, 0)->toolTip().contains("the Sales Tax Account is empty"),
                     qPrintable(grid->item(r, 0)->toolTip()));
    verifyRowsAre(grid, *w.logic().totals);
    typeInto(w, "txtTaxImp", "  State Tax Agency ", "grdX390");
    QTRY_COMPARE(count->text(), QString("1 of 7 transactions will not be posted: see the marks"));
    QCOMPARE(markedRows(grid), QList<int>({h}));
    QCOMPARE(grid->item(h - 3, 0)->toolTip(), QString());  // the earlier marks are gone
    QVERIFY(f.prompter.shown.empty());

    // After the import the line says what the run did. The refused entry keeps its mark, now
    // with QuickBooks' own reason; a name stored after the run checks nothing again.
    f.program.resultsWindows = nullptr;
    const RunRecord& run = w.logic().runImport();
    QCOMPARE(run.count(RunRecord::Outcome::Refused), 1);
    QCOMPARE(count->text(), QString("6 posted, 1 refused (101004): see the marks"));
    QCOMPARE(markedRows(grid), QList<int>({h}));
    auto t = std::find_if(run.transactions.begin(), run.transactions.end(),
                          [](const TransactionRecord& t) { return t.referenceNumber == "101004"; });
    QVERIFY(t != run.transactions.end());
    QVERIFY2(t->statusMessage.find("6400") != std::string::npos, t->statusMessage.c_str());
    const QString refused = "Invoice 101004 was refused by QuickBooks: " + ui::fromSingleByte(t->statusMessage) +
                            " (status code " + ui::fromSingleByte(t->statusCode) + ")";
    for (int r : {h, h + 1, h + 2}) QCOMPARE(grid->item(r, 0)->toolTip(), refused);
    QCOMPARE(grid->verticalHeaderItem(h)->data(Qt::AccessibleTextRole).toString(),
             QString("was refused by QuickBooks"));
    QCOMPARE(grid->item(h - 3, 0)->toolTip(), QString());
    typeInto(w, "txtVendImport", "Someone Else", "grdX390");
    QTest::qWait(20);
    QCOMPARE(count->text(), QString("6 posted, 1 refused (101004): see the marks"));
    verifyRowsAre(grid, *w.logic().totals);
}

void CheckMarksWindowTest::namesTypedThroughASlowQuickBooksAreAllStoredAndTheKeysStayTheOperators() {
    test::DemoFixture f(Edition::MultiStore, 1);
    ui::frmZTLMain w(f.program, f.dialogs);
    f.program.mainWindow = &w;
    test::answerNextModal([](QWidget* m) {
        m->findChild<QLineEdit*>("Text1")->setText("YES");
        m->findChild<QPushButton*>("cmdOk")->click();
    });
    QCOMPARE(w.Load(), ms::LoadOutcome::Ready);
    // From here every answer takes 300 ms and waits through the program's own wait hook.
    ui::QuickBooksWaitWindow wait;
    test::SlowQuickBooks slow(f.processors, wait, std::chrono::milliseconds(300));
    f.program.processors = &slow;
    for (const char* key : {"ARImportAccount", "VendorImportAccount", "TaxImportAccount"})
        f.settings.set("ZTL", f.program.settingsSection, key, "");
    w.setAccountFields({});
    w.show();
    QVERIFY(QTest::qWaitForWindowActive(&w));

    QStringList pressed;
    QList<QAbstractButton*> buttons = w.findChildren<QAbstractButton*>();
    buttons << wait.cancelButton();
    for (QAbstractButton* b : buttons)
        connect(b, &QAbstractButton::pressed, [&pressed, b] { pressed << b->objectName() + b->text(); });
    bool waitShown = false;
    QTimer watch;
    connect(&watch, &QTimer::timeout, [&] { waitShown = waitShown || wait.isVisible(); });
    watch.start(5);

    auto* ar = w.findChild<QLineEdit*>("txtARImport");
    auto* tax = w.findChild<QLineEdit*>("txtTaxImp");
    QWidget* next = nextTabStop(tax);
    QVERIFY(next != w.findChild<QWidget*>("cmdCancel"));
    ar->setFocus();
    QTRY_VERIFY(ar->hasFocus());

    // Three names with Tab between them; the last one wrong at first, put right while the
    // check it set off waits for QuickBooks.
    test::KeyboardOperator op;
    op.type("House Account");
    op.key(Qt::Key_Tab);
    op.type("Main Supplier");
    op.key(Qt::Key_Tab);
    op.type("State Tax");
    op.key(Qt::Key_Tab);
    op.waitUntil([&] { return slow.waitingNow.load(); });
    op.key(Qt::Key_Tab, Qt::ShiftModifier);
    op.type("State Tax Agency");
    op.key(Qt::Key_Tab);
    op.start(15, [&] { return slow.waitingNow.load(); });
    QTRY_VERIFY_WITH_TIMEOUT(op.done(), 10000);
    QTRY_VERIFY_WITH_TIMEOUT(!w.logic().recheckDue() && !slow.waitingNow, 10000);

    auto stored = [&](const char* key) { return f.settings.get("ZTL", f.program.settingsSection, key, "?"); };
    QCOMPARE(stored("ARImportAccount"), std::string("House Account"));
    QCOMPARE(stored("VendorImportAccount"), std::string("Main Supplier"));
    QCOMPARE(stored("TaxImportAccount"), std::string("State Tax Agency"));
    QVERIFY2(op.keysWhileWaiting > 10, qPrintable(QString::number(op.keysWhileWaiting)));
    QVERIFY2(pressed.isEmpty(), qPrintable(pressed.join(", ")));
    QVERIFY(!waitShown);
    QVERIFY(w.isVisible());
    QCOMPARE(QApplication::focusWidget(), next);
    // The check ran through the slow QuickBooks, and again for the name put right.
    QVERIFY(slow.answers > 0);
    QTRY_COMPARE(w.findChild<QLabel*>("lblCheck")->text(),
                 QString("1 of 7 transactions will not be posted: see the marks"));
    QVERIFY(f.prompter.shown.empty());

    // Back from another window, the focus is on the field the operator left, not on Cancel.
    tax->setFocus();
    QTRY_VERIFY(tax->hasFocus());
    QWidget other;
    other.show();
    QVERIFY(QTest::qWaitForWindowActive(&other));
    w.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&w));
    QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(tax));
}

void CheckMarksWindowTest::singleStoreShowsNoMarksForASoundDayAndMarksAfterAWrongVendor() {
    test::SingleStoreFixture f;
    single::frmZTLMain w(f.program, f.dialogs);
    f.program.mainWindow = &w;
    QCOMPARE(w.Load(), single::LoadOutcome::Ready);
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    auto* grid = w.findChild<QTableWidget*>("grdX390");
    auto* count = w.findChild<QLabel*>("lblCheck");
    QCOMPARE(count->text(), QString("All 3 transactions will be posted."));
    QVERIFY(!grid->verticalHeader()->isVisible());
    QVERIFY(markedRows(grid).isEmpty());

    // A customer where the payables line needs a vendor.
    typeInto(w, "txtVendImport", "House Account", "grdCoa");
    QTRY_COMPARE(count->text(), QString("1 of 3 transactions will not be posted: see the marks"));
    const QList<int> marked = markedRows(grid);
    QCOMPARE(marked.size(), 1);
    QCOMPARE(grid->item(marked[0], 0)->text(), QString("Inv:401003"));
    QCOMPARE(
        grid->item(marked[0], 0)->toolTip(),
        QString(
            "Invoice 401003 will not be posted: its line on Accounts Payable (2000) needs a vendor, but the "
            "Vendor Import Account \"House Account\" is a customer"));
    verifyRowsAre(grid, *w.logic().totals);
    QVERIFY(w.findChild<QPushButton*>("cmdImport")->isEnabled());
}

void CheckMarksWindowTest::importPressedWhileTheCheckWaitsRunsAfterIt() {
    test::DemoFixture f(Edition::MultiStore, 1);
    ui::frmZTLMain w(f.program, f.dialogs);
    f.program.mainWindow = &w;
    test::answerNextModal([](QWidget* m) {
        m->findChild<QLineEdit*>("Text1")->setText("YES");
        m->findChild<QPushButton*>("cmdOk")->click();
    });
    QCOMPARE(w.Load(), ms::LoadOutcome::Ready);
    ui::QuickBooksWaitWindow wait;
    test::SlowQuickBooks slow(f.processors, wait, std::chrono::milliseconds(300));
    f.program.processors = &slow;
    f.program.resultsWindows = nullptr;
    f.settings.set("ZTL", f.program.settingsSection, "VendorImportAccount", "");
    w.setAccountFields({"House Account", "", "State Tax Agency"});
    w.show();
    QVERIFY(QTest::qWaitForWindowActive(&w));

    // The name put back, the fields left: the check waits for QuickBooks when Import is
    // clicked. The import runs once the check is over, not inside it: the line then tells
    // the run, which no check shown after it has replaced.
    auto* import = w.findChild<QPushButton*>("cmdImport");
    bool clicked = false;
    QTimer clicker;
    connect(&clicker, &QTimer::timeout, [&] {
        if (!clicked && slow.waitingNow && !w.logic().lastRun) {
            clicked = true;
            QTest::mouseClick(import, Qt::LeftButton);
        }
    });
    clicker.start(20);
    typeInto(w, "txtVendImport", "Main Supplier", "grdX390");
    QTRY_VERIFY_WITH_TIMEOUT(w.logic().lastRun.has_value(), 20000);
    QVERIFY(clicked);
    QVERIFY(slow.cancelled > 0);  // the check's wait ended at the click
    QTRY_COMPARE(w.findChild<QLabel*>("lblCheck")->text(), QString("6 posted, 1 refused (101004): see the marks"));
    QTest::qWait(50);
    QCOMPARE(w.findChild<QLabel*>("lblCheck")->text(), QString("6 posted, 1 refused (101004): see the marks"));
    QCOMPARE(f.settings.get("ZTL", f.program.settingsSection, "VendorImportAccount", "?"),
             std::string("Main Supplier"));
}

void CheckMarksWindowTest::anIncompleteCheckSaysItsCauseOnceWithTheDetailsOnDemand() {
    // QuickBooks could not be asked what it holds: the count line says so short; what the
    // Web Connector's wait answered is kept for the Details link, once, however often the
    // check runs into it again.
    const std::string why = "Could not start QuickBooks. The Web Connector has not called since 09:12:05.";
    TotalsCheck check;
    check.transactions.resize(2);
    check.transactions[0].outcome = check.transactions[1].outcome = TransactionVerdict::Outcome::Unchecked;
    check.incompleteCause =
        "QuickBooks could not be asked which transactions it already holds, and an import that cannot ask "
        "posts nothing.";
    check.incomplete =
        "QuickBooks could not be asked which transactions it already holds, and an import that "
        "cannot ask posts nothing: QuickBooks did not answer the question (error # -2147220472: " +
        why + ")";
    const ui::CheckMarks marks = ui::checkMarks(check);
    QVERIFY2(marks.countLine.ends_with("The check is incomplete: " + check.incompleteCause),
             marks.countLine.c_str());
    QCOMPARE(marks.details, check.incomplete);

    QWidget window;
    auto* grid = new ui::TotalsGridWidget("grdX390", "Korvane totals to import", &window);
    ui::CheckMarksPanel panel(grid, &window);
    window.show();
    panel.showMarks(marks);
    auto* link = panel.findChild<QLabel*>("lnkCheckDetails");
    auto* details = panel.findChild<QLabel*>("lblCheckDetails");
    QVERIFY(link->isVisible());
    QVERIFY(!details->isVisible());
    emit link->linkActivated("details");
    QVERIFY(details->isVisible());
    // The check's wait failing again adds nothing it said already; a new cause is kept too.
    panel.addToCountLine(QString::fromStdString(why));
    QCOMPARE(panel.details(), ui::fromSingleByte(check.incomplete));
    panel.addToCountLine("The wait for the Web Connector was cancelled.");
    QCOMPARE(panel.details().count(QString::fromStdString(why)), 1);
    QVERIFY(panel.details().endsWith("\nThe wait for the Web Connector was cancelled."));
    QVERIFY(!panel.countLine().contains("Web Connector"));
}

void CheckMarksWindowTest::theDaysAnUnattendedRunKeptAreNamed() {
    test::DemoFixture f(Edition::MultiStore, 1);
    const std::filesystem::path pending = f.world.stores[0].totalsFile.parent_path() / "pending";
    std::filesystem::create_directories(pending);
    for (const char* name : {"2026-12-04 1X390.QB", "2026-12-03 1X390.QB", "2026-12-03 2X390.QB",
                             "2026-12-02 1X390.QB.incomplete"})
        writeWholeFile(pending / name, "Q\r\n");
    ui::frmZTLMain w(f.program, f.dialogs);
    f.program.mainWindow = &w;
    test::answerNextModal([](QWidget* m) {
        m->findChild<QLineEdit*>("Text1")->setText("YES");
        m->findChild<QPushButton*>("cmdOk")->click();
    });
    QCOMPARE(w.Load(), ms::LoadOutcome::Ready);
    // Only this store's days, oldest first; a copy kept because it was not whole is no day.
    QCOMPARE(w.findChild<QLabel*>("lblCheck")->text(),
             QString("1 of 7 transactions will not be posted: see the marks. Kept pending by the unattended run: "
                     "2026-12-03 and 2026-12-04 (ztl post posts them at its next run, the oldest first)."));
}

QTEST_MAIN(CheckMarksWindowTest)
#include "check_marks_window_test.moc"
