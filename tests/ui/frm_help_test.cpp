// The quick-reference window with the quick reference the build makes, and with files
// that are missing, unreadable or damaged.
#include <unistd.h>

#include <QTextBlock>
#include <QTextEdit>
#include <QtTest>
#include <filesystem>
#include <fstream>

#include "ui/frm_help.h"

namespace fs = std::filesystem;
using ztl::ui::frmHelp;

class FrmHelpTest : public QObject {
    Q_OBJECT
  private slots:
    void init();
    void cleanup();
    void builtQuickReferenceLoadsWithItsHeadingsBold();
    void programFindsTheBuiltQuickReferenceByItself();
    void unreachableFileSaysSoInTheArea();
    void damagedFileLeavesTheAreaEmpty();

  private:
    static QTextEdit* area(frmHelp& w) { return w.findChild<QTextEdit*>("RichTextBox1"); }
    void put(const std::string& bytes) {
        std::ofstream(dir_ / frmHelp::kFileName, std::ios::binary) << bytes;
    }
    fs::path dir_;
};

void FrmHelpTest::init() {
    dir_ = fs::temp_directory_path() / ("ztl_frm_help_" + std::to_string(::getpid()));
    fs::remove_all(dir_);
    fs::create_directories(dir_);
}

void FrmHelpTest::cleanup() {
    fs::remove_all(dir_);
}

void FrmHelpTest::builtQuickReferenceLoadsWithItsHeadingsBold() {
    frmHelp w{fs::path(ZTL_BUILT_DATA_DIR)};
    QCOMPARE(w.windowTitle(), QString("Korvane Zentrel Help"));
    QVERIFY(w.isModal());
    QTextEdit* rtb = area(w);
    QVERIFY(rtb);
    QVERIFY(rtb->isReadOnly());
    QVERIFY(!rtb->accessibleName().isEmpty());

    int headings = 0;
    qreal bodySize = 0;
    for (QTextBlock b = rtb->document()->begin(); b.isValid(); b = b.next()) {
        QTextCharFormat f = b.begin().fragment().charFormat();
        if (b.text() == "Before you start" || b.text() == "The results window" ||
            b.text() == "Import error procedure") {
            QVERIFY2(f.fontWeight() > QFont::Medium, qPrintable(b.text()));
            QVERIFY2(f.fontPointSize() > 10, qPrintable(b.text()));
            ++headings;
        }
        if (b.text().startsWith("Zentrel posts the totals")) bodySize = f.fontPointSize();
    }
    QCOMPARE(headings, 3);
    QCOMPARE(bodySize, 10.0);
    QCOMPARE(rtb->document()->begin().text(), QString("Zentrel Quick Reference"));
    QVERIFY(rtb->toPlainText().contains("3QBImport.log"));

    if (qEnvironmentVariableIsSet("ZTL_SCREENSHOT_DIR")) {
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        QVERIFY(w.grab().save(qEnvironmentVariable("ZTL_SCREENSHOT_DIR") + "/frmHelp.png"));
    }
}

void FrmHelpTest::programFindsTheBuiltQuickReferenceByItself() {
    frmHelp built{fs::path(ZTL_BUILT_DATA_DIR)};
    frmHelp found;
    QCOMPARE(area(found)->toPlainText(), area(built)->toPlainText());
}

void FrmHelpTest::unreachableFileSaysSoInTheArea() {
    frmHelp missing{dir_};
    QCOMPARE(area(missing)->toPlainText(), QString("Quick reference file not found."));

    fs::create_directories(dir_ / frmHelp::kFileName);  // a folder where the file belongs
    frmHelp folder{dir_};
    QCOMPARE(area(folder)->toPlainText(), QString("Quick reference file not found."));
}

void FrmHelpTest::damagedFileLeavesTheAreaEmpty() {
    put("{\\rtf1" + std::string(1000, '{') + "text");
    frmHelp deep{dir_};
    QCOMPARE(area(deep)->toPlainText(), QString());

    put("{\\rtf1 {\\pict\\bin500 cut short}}");
    frmHelp cut{dir_};
    QCOMPARE(area(cut)->toPlainText(), QString());

    // A quick reference saved as plain text is still shown.
    put("Plain quick reference\r\nsecond line");
    frmHelp plain{dir_};
    QCOMPARE(area(plain)->toPlainText(), QString("Plain quick reference\nsecond line"));
}

QTEST_MAIN(FrmHelpTest)
#include "frm_help_test.moc"
