// The Qt layer both programs share: message boxes, the dialog seam, the confirmation window
// and the splash, on the offscreen platform.
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QtTest>

#include "platform/vb_error.h"
#include "support/modal_answer.h"
#include "support/scripted_dialogs.h"
#include "ui/frm_splash.h"
#include "ui/frm_warning.h"
#include "ui/logic/program_version.h"
#include "ui/qt_prompter.h"

using namespace ztl;

class SharedWindowsTest : public QObject {
    Q_OBJECT
  private slots:
    void messageBoxShowsTitleIconTextAndReturnsThePressedButton();
    void confirmationGoesOnOnlyForTheThreeExactSpellings_data();
    void confirmationGoesOnOnlyForTheThreeExactSpellings();
    void confirmationCancelledByButtonEscapeOrLeftByImageDoubleClick();
    void cancelledDialogIsError32755OnlyWhenAskedFor();
    void splashShowsVersionAndProgressAndClosesOnAKey();
    void versionTexts();
};

void SharedWindowsTest::messageBoxShowsTitleIconTextAndReturnsThePressedButton() {
    QString title, text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    int buttons = 0;
    test::answerNextModal([&](QWidget* w) {
        auto* box = qobject_cast<QMessageBox*>(w);
        QVERIFY(box);
        title = box->windowTitle();
        text = box->text();
        icon = box->icon();
        buttons = int(box->buttons().size());
        box->button(QMessageBox::No)->click();
    });
    ui::QtPrompter prompter;
    // A store name with a Windows-1252 byte, CR LF and LF line ends, blanks at both ends.
    MsgResult r =
        prompter.show({" Caf\xE9\r\nsecond \nthird ", MsgIcon::Exclamation, MsgButtons::YesNo, "ZentrelMS"});
    QCOMPARE(r, MsgResult::No);
    QCOMPARE(title, QString("ZentrelMS"));
    QCOMPARE(text, QString::fromUtf8(" Caf\u00e9\nsecond \nthird "));
    QCOMPARE(icon, QMessageBox::Warning);
    QCOMPARE(buttons, 2);

    // The program's title where the box names none; a critical box with OK only.
    Program program;
    ui::QtPrompter real;
    program.prompter = &real;
    program.title = "Zentrel";
    test::answerNextModal([&](QWidget* w) {
        auto* box = qobject_cast<QMessageBox*>(w);
        title = box->windowTitle();
        icon = box->icon();
        box->button(QMessageBox::Ok)->click();
    });
    QCOMPARE(program.showMessage("x", MsgIcon::Critical), MsgResult::OK);
    QCOMPARE(title, QString("Zentrel"));
    QCOMPARE(icon, QMessageBox::Critical);
}

void SharedWindowsTest::confirmationGoesOnOnlyForTheThreeExactSpellings_data() {
    QTest::addColumn<QString>("answer");
    QTest::addColumn<bool>("cancelled");
    QTest::newRow("YES") << "YES" << false;
    QTest::newRow("Yes") << "Yes" << false;
    QTest::newRow("yes") << "yes" << false;
    QTest::newRow("trailing blank") << "yes " << true;
    QTest::newRow("leading blank") << " YES" << true;
    QTest::newRow("other mix") << "YEs" << true;
    QTest::newRow("y") << "y" << true;
    QTest::newRow("NO") << "NO" << true;
    QTest::newRow("empty") << "" << true;
}

void SharedWindowsTest::confirmationGoesOnOnlyForTheThreeExactSpellings() {
    QFETCH(QString, answer);
    QFETCH(bool, cancelled);
    Program program;
    program.importCancelled = !cancelled;  // the window must set the flag either way
    ui::frmWarning w(program);
    QCOMPARE(w.windowTitle(), QString("Zentrel MS"));
    QCOMPARE(w.findChild<QLabel*>("Label1")->text(), ui::frmWarning::warningText());
    test::answerNextModal([&](QWidget* modal) {
        auto* text = modal->findChild<QLineEdit*>("Text1");
        QVERIFY(text->text().isEmpty());  // activation empties the answer
        text->setText(answer);
        modal->findChild<QPushButton*>("cmdOk")->click();
    });
    w.exec();
    QCOMPARE(program.importCancelled, cancelled);
    QVERIFY(!w.isVisible());
}

void SharedWindowsTest::confirmationCancelledByButtonEscapeOrLeftByImageDoubleClick() {
    {
        Program program;
        ui::frmWarning w(program);
        test::answerNextModal([](QWidget* m) {
            m->findChild<QLineEdit*>("Text1")->setText("YES");
            m->findChild<QPushButton*>("cmdCancel")->click();
        });
        w.exec();
        QVERIFY(program.importCancelled);
    }
    {
        // Escape, or the frame's close button, is no confirmation.
        Program program;
        ui::frmWarning w(program);
        test::answerNextModal([](QWidget* m) { QTest::keyClick(m, Qt::Key_Escape); });
        w.exec();
        QVERIFY(program.importCancelled);
    }
    {
        Program program;
        program.importCancelled = true;
        ui::frmWarning w(program);
        test::answerNextModal(
            [](QWidget* m) { QTest::mouseDClick(m->findChild<QLabel*>("Image1"), Qt::LeftButton); });
        w.exec();
        QVERIFY(!program.importCancelled);
    }
}

void SharedWindowsTest::cancelledDialogIsError32755OnlyWhenAskedFor() {
    test::ScriptedDialogs dialogs;  // no answers: every dialog is cancelled
    ui::FileDialogRequest request;
    request.cancelError = true;
    try {
        ui::showSaveDialog(dialogs, request, nullptr);
        QFAIL("a cancel must raise 32755");
    } catch (const VbError& e) {
        QCOMPARE(e.number, 32755L);
        QCOMPARE(QString::fromStdString(e.description), QString("Cancel was selected."));
    }
    QPrinter printer;
    QVERIFY_THROWS_EXCEPTION(VbError, ui::showPrintDialog(dialogs, printer, nullptr, true));
    request.cancelError = false;
    QVERIFY(!ui::showOpenDialog(dialogs, request, nullptr));
    ui::showPrintDialog(dialogs, printer, nullptr, false);  // no error

    dialogs.fileAnswers = {QString("/tmp/x.qbw")};
    QCOMPARE(ui::showOpenDialog(dialogs, request, nullptr).value(), QString("/tmp/x.qbw"));
}

void SharedWindowsTest::splashShowsVersionAndProgressAndClosesOnAKey() {
    ui::frmSplash splash("Multi Store");
    splash.show();
    QVERIFY(QTest::qWaitForWindowExposed(&splash));
    QCOMPARE(splash.windowTitle(), QString("Zentrel"));
    QCOMPARE(splash.findChild<QLabel*>("lblVersion")->text(), QString("Version 5.1.1"));
    QCOMPARE(splash.findChild<QLabel*>("Label4")->text(), QString("Multi Store"));
    auto* progress = splash.findChild<QLabel*>("lblProgress");
    QCOMPARE(progress->text(), QString("Connecting to Quick Books..."));
    QCOMPARE(splash.findChild<QLabel*>("Label3")->text().count('\n'), 2);
    QCOMPARE(splash.findChild<QLabel*>("imgLogo")->pixmap().size(), QSize(174, 161));

    SplashProgressView& view = splash;
    view.setProgressCaption("Loading Korvane source file...");
    view.repaintProgress();
    QCOMPARE(progress->text(), QString("Loading Korvane source file..."));

    QTest::keyClick(&splash, Qt::Key_Space);
    QVERIFY(!splash.isVisible());
    view.setProgressCaption("later captions reach a closed splash harmlessly");

    ui::frmSplash single("");
    QVERIFY(!single.findChild<QLabel*>("Label4"));
}

void SharedWindowsTest::versionTexts() {
    QCOMPARE(ui::titleVersionText({5, 1, 1}), std::string("5.01.0001"));
    QCOMPARE(ui::titleVersionText({12, 34, 56789}), std::string("12.34.56789"));
    QCOMPARE(ui::splashVersionText({5, 10, 0}), std::string("Version 5.10.0"));
}

QTEST_MAIN(SharedWindowsTest)
#include "shared_windows_test.moc"
