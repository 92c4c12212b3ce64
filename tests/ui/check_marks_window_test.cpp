// The check before an import in both main windows, on the demo world: the marks beside the
// totals grid and the count below it after the load, the reason of the transaction under
// the cursor, the grid's own rows untouched, and the check run again when an account field
// stores another name.
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QtTest>

#include "../single/single_store_fixture.h"
#include "single/frm_ztl_main.h"
#include "support/demo_fixture.h"
#include "support/modal_answer.h"
#include "ui/frm_ztl_main.h"
#include "ui/logic/grid_content.h"
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

// Moves the focus out of `field` after typing `text` into it, as the operator does.
void typeInto(QWidget& window, const char* field, const QString& text, const char* next) {
    auto* f = window.findChild<QLineEdit*>(field);
    f->setFocus();
    QTRY_VERIFY(f->hasFocus());
    f->setText(text);
    window.findChild<QLineEdit*>(next)->setFocus();
    QTRY_VERIFY(!f->hasFocus());
}

}  // namespace

class CheckMarksWindowTest : public QObject {
    Q_OBJECT
  private slots:
    void multiStoreMarksTheRefusedEntryAndChecksAgainWhenANameIsStored();
    void singleStoreShowsNoMarksForASoundDayAndMarksAfterAWrongVendor();
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
    typeInto(w, "txtTaxImp", "", "txtARImport");
    const QString withoutTax = count->text();
    QVERIFY2(withoutTax.contains(
                 QRegularExpression("^[2-7] of 7 transactions will not be posted: see the marks$")),
             qPrintable(withoutTax));
    QVERIFY(markedRows(grid).size() > 1);
    for (int r : markedRows(grid))
        if (r != h)
            QVERIFY2(grid->item(r, 0)->toolTip().contains("the Sales Tax Account is empty"),
                     qPrintable(grid->item(r, 0)->toolTip()));
    verifyRowsAre(grid, *w.logic().totals);
    typeInto(w, "txtTaxImp", "  State Tax Agency ", "txtARImport");
    QCOMPARE(count->text(), QString("1 of 7 transactions will not be posted: see the marks"));
    QCOMPARE(markedRows(grid), QList<int>({h}));
    QCOMPARE(grid->item(h - 3, 0)->toolTip(), QString());  // the earlier marks are gone
    QVERIFY(f.prompter.shown.empty());

    // After the import the marks, which told of the file before it, are gone.
    f.program.resultsWindows = nullptr;
    w.logic().runImport();
    QVERIFY(!count->isVisible());
    QVERIFY(!grid->verticalHeader()->isVisible());
    QVERIFY(markedRows(grid).isEmpty());
    QCOMPARE(grid->item(h, 0)->toolTip(), QString());
    verifyRowsAre(grid, *w.logic().totals);
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
    typeInto(w, "txtVendImport", "House Account", "txtARImport");
    QCOMPARE(count->text(), QString("1 of 3 transactions will not be posted: see the marks"));
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

QTEST_MAIN(CheckMarksWindowTest)
#include "check_marks_window_test.moc"
