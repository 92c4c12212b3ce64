// The single-store program on the demo world's single-store workstation: start-up, the load
// with its ways to stop, Browse, the fields, Import and what becomes of the totals file, and
// the operation log.
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStatusBar>
#include <QTableWidget>
#include <QtTest>
#include <filesystem>
#include <fstream>

#include "qbsim/company.h"
#include "single/frm_ztl_main.h"
#include "single/logic/default_source.h"
#include "single/startup.h"
#include "single_store_fixture.h"
#include "support/control_texts.h"
#include "support/modal_answer.h"
#include "support/request_hook.h"
#include "tools/demo_world/demo_data.h"
#include "tools/demo_world/totals_file_writer.h"
#include "ui/standard_dialogs.h"

using namespace ztl;
namespace fs = std::filesystem;

namespace {

// Closes the results window once its activation is over: after the demanded printout when
// the run refused an entry, at once otherwise.
void closeResultsWhenDone(test::ScriptedDialogs& dialogs, bool printDemanded) {
    test::answerNextModal([&dialogs, printDemanded](QWidget* w) {
        auto* exit = w->findChild<QPushButton*>("cmdExit");
        QTRY_VERIFY_WITH_TIMEOUT(!printDemanded || dialogs.printerRequests > 0, 5000);
        QTRY_VERIFY_WITH_TIMEOUT(exit->isEnabled(), 5000);
        exit->click();
    });
}

int count(const std::string& text, const std::string& what) {
    int n = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
    return n;
}

std::string bytesOf(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// Loads the window and shows it, ready for the operator.
void loadAndShow(single::frmZTLMain& w, test::SingleStoreFixture& f) {
    f.program.mainWindow = &w;
    QCOMPARE(w.Load(), single::LoadOutcome::Ready);
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
}

// A settings store that fails every read: the load's own error trap must take it.
struct BrokenSettings : SettingsStore {
    std::string get(const std::string&, const std::string&, const std::string&,
                    const std::string&) const override {
        throw vbError(vb::kPermissionDenied);
    }
    void set(const std::string&, const std::string&, const std::string&, const std::string&) override {
        throw vbError(vb::kPermissionDenied);
    }
};

// Notes, at the first message box, whether the splash is on screen and bears an edition label.
struct SplashWatchingPrompter : RecordingPrompter {
    bool splashShown = false, editionLabel = false;
    MsgResult show(const MessageBox& box) override {
        for (QWidget* top : QApplication::topLevelWidgets())
            if (top->objectName() == "frmSplash" && top->isVisible()) {
                splashShown = true;
                editionLabel = top->findChild<QLabel*>("Label4") != nullptr;
            }
        return RecordingPrompter::show(box);
    }
};

}  // namespace

class SingleStoreMainWindowTest : public QObject {
    Q_OBJECT
  private slots:
    void everyCaptionAndTooltip();
    void firstStartWritesTheDefaultsAndAttachesToTheOpenCompany();
    void missingTotalsFileEndsTheProgramBeforeQuickBooks();
    void unreachableShareLeavesTheWindowWithoutGridsOrImport();
    void loadErrorIsShownLoggedAndDisablesImportAndBrowse();
    void browseStoresTheCompanyForTheNextStartOnly();
    void fieldsSelectAllOnFocusAndStoreTrimmedText();
    void importOfAcceptedTotalsRemovesTheFile();
    void altIPostsWhatTheFieldBeingTypedInShows();
    void importWithARefusedEntryArchivesTheFile();
    void importStoppedEarlyLeavesTheFile();
    void aTotalsFileThatStaysAgainstExpectationIsToldAndLogged();
    void operationLogGrowsByOneStartAndOneEndPerRun();
    void startUpRefusesAnyOtherCommandLine_data();
    void startUpRefusesAnyOtherCommandLine();
    void anErrorOfTheStartUpIsReportedLoggedAndLeavesTheSplashOpen();
};

void SingleStoreMainWindowTest::everyCaptionAndTooltip() {
    test::SingleStoreFixture f;
    single::frmZTLMain w(f.program, f.dialogs);
    QCOMPARE(w.windowTitle(), QString("Korvane Zentrel"));
    test::compareControlTexts(
        w, {
               {"Label6", "Connection Status", ""},
               {"lblServer", "", ""},
               {"Label2", "Quick Books Company", ""},
               {"txtQBCompany", nullptr, "QuickBooks company you wish to import to"},
               {"cmdQBCBrowse", "Browse", "Locate QuickBooks company files"},
               {"Label3", "Korvane totals to import", ""},
               {"grdX390", nullptr, "These are totals from the last Korvane ENDDAY run"},
               {"Label4", "QuickBooks Account List", ""},
               {"grdCoa", nullptr, "QuickBooks Accounts from the target Company"},
               {"lblARImp", "A/R Import Account", ""},
               {"txtARImport", nullptr, "This account must be set up in QuickBooks customer file"},
               {"lblVendImport", "Vendor Import Account", ""},
               {"txtVendImport", nullptr, "This vendor must be set up in QuickBooks vendor file"},
               {"Label8", "Sales Tax Account", ""},
               {"txtTaxImp", nullptr, "Enter the sales tax vendor in the QuickBooks vendor file"},
               {"Label7", "Import reference number", ""},
               {"txtRefNum", nullptr,
                "This is an import reference number.. (range 1 to 1000000). Will increment on each import."},
               {"cmdImport", "&Import", "Start the import procedure"},
               {"cmdCancel", "&Cancel", "Exit this program"},
           });
    // No store field, status bar or Help: the multi-store window's own controls.
    for (const char* absent : {"txtKrvStore", "cmdHelp", "sb1Panel1"})
        QVERIFY2(!w.findChild<QWidget*>(absent), absent);
}

void SingleStoreMainWindowTest::firstStartWritesTheDefaultsAndAttachesToTheOpenCompany() {
    test::SingleStoreFixture f(test::SingleStoreFixture::Settings::Fresh);
    // The default source names the server this build was configured with.
    fs::path defaultFile = paths::map(single::defaultImportSource());
    if (!fs::exists(defaultFile)) {
        fs::create_directories(defaultFile.parent_path());
        fs::copy_file(f.world.singleStoreTotalsFile, defaultFile);
    }
    single::frmZTLMain w(f.program, f.dialogs);
    f.program.mainWindow = &w;
    QCOMPARE(w.Load(), single::LoadOutcome::Ready);
    QVERIFY(f.prompter.shown.empty());

    QCOMPARE(f.setting("Import Source"), single::defaultImportSource());
    QCOMPARE(f.setting("Company"), std::string());  // written back empty
    QCOMPARE(w.windowTitle(), QString("Korvane Zentrel     Version   5.01.0001"));
    QCOMPARE(w.findChild<QLabel*>("lblServer")->text(),
             "Connected to Korvane import source : " + QString::fromStdString(single::defaultImportSource()));
    QCOMPARE(w.findChild<QLabel*>("lblServer")->accessibleDescription(), QString("lblServer"));
    QCOMPARE(w.findChild<QLineEdit*>("txtQBCompany")->text(), QString());
    // With no company named, the session went to the company QuickBooks has open.
    auto* chart = w.findChild<QTableWidget*>("grdCoa");
    QVERIFY(chart->rowCount() > 10);
    QCOMPARE(chart->item(0, 1)->text(), QString("Checking"));
    auto* totals = w.findChild<QTableWidget*>("grdX390");
    QCOMPARE(totals->item(1, 0)->text(), QString("Inv:401001"));
    QCOMPARE(totals->item(2, 1)->text(), QString("$742.18"));
    QVERIFY(w.findChild<QPushButton*>("cmdImport")->isEnabled());
    // This edition's window has no store field, no status bar and no Help.
    QVERIFY(!w.findChild<QWidget*>("txtKrvStore") && !w.findChild<QStatusBar*>() &&
            !w.findChild<QWidget*>("cmdHelp"));
    QCOMPARE(f.operationLog(), std::string("03/09/2026 2:05:00 PM Zentrel Start \r\n"));
}

void SingleStoreMainWindowTest::missingTotalsFileEndsTheProgramBeforeQuickBooks() {
    test::SingleStoreFixture f;
    SplashWatchingPrompter prompter;
    f.program.prompter = &prompter;
    fs::remove(f.world.singleStoreTotalsFile);
    QVERIFY(!single::SubMain(f.program, f.dialogs, {"KTV3094R"}));
    QCOMPARE(prompter.texts(),
             std::vector<std::string>{"Error in module validateserver \nerror # 53  File not found\n"
                                      "The Korvane source file 'X390.QB' was not found."});
    QCOMPARE(prompter.shown[0].icon, MsgIcon::Exclamation);
    QCOMPARE(prompter.shown[0].title, std::string("Zentrel"));
    QVERIFY(prompter.splashShown);
    QVERIFY(!prompter.editionLabel);
    QCOMPARE(f.processors.created, 0);
    for (QWidget* top : QApplication::topLevelWidgets()) QVERIFY(!top->isVisible());
    // A missing file is no entry of its own; the run still starts and ends in the log.
    QCOMPARE(f.operationLog(), std::string("03/09/2026 2:05:00 PM Zentrel Start \r\n"
                                           "03/09/2026 2:05:00 PM Zentrel end program \r\n"));
    QCOMPARE(f.program.mainWindow, nullptr);
}

void SingleStoreMainWindowTest::unreachableShareLeavesTheWindowWithoutGridsOrImport() {
    test::SingleStoreFixture f;
    fs::remove_all(f.world.sharesRoot / "STORESRV" / "CATCON");
    std::unique_ptr<single::frmZTLMain> w = single::SubMain(f.program, f.dialogs, {"KTV3094R"});
    QVERIFY(w);
    QVERIFY(w->isVisible());
    const std::string message =
        "Error in module validateserver \nerror # 52  Bad file name or number\n"
        "Can Not locate Korvane Server !\nMake sure the drive is mapped properly.";
    QCOMPARE(f.prompter.texts(), std::vector<std::string>{message});
    QCOMPARE(f.prompter.shown[0].icon, MsgIcon::Exclamation);
    QCOMPARE(w->findChild<QLabel*>("lblServer")->text(),
             QString("Source file or Server not found... call Korvane !"));
    QVERIFY(!w->findChild<QTableWidget*>("grdX390")->isEnabled());
    QVERIFY(!w->findChild<QTableWidget*>("grdCoa")->isEnabled());
    QVERIFY(!w->findChild<QPushButton*>("cmdImport")->isEnabled());
    QVERIFY(w->findChild<QPushButton*>("cmdCancel")->isEnabled());
    QCOMPARE(f.processors.created, 0);
    // The fields were never filled: leaving them empty must not wipe what is stored.
    w->logic().txtRefNum_LostFocus("");
    w->logic().accountFieldLostFocus("txtARImport", "");
    QCOMPARE(f.setting("ImportReferenceNumber"), std::string("401001"));
    QCOMPARE(f.setting("ARImportAccount"), std::string("House Account"));
    QCOMPARE(f.operationLog(), "03/09/2026 2:05:00 PM Zentrel Start \r\n03/09/2026 2:05:00 PM \r\n" +
                                   message + "\r\nimportsource$=\\\\STORESRV\\catcon\\X390.QB\r\n");
}

void SingleStoreMainWindowTest::loadErrorIsShownLoggedAndDisablesImportAndBrowse() {
    test::SingleStoreFixture f;
    BrokenSettings broken;
    f.program.settings = &broken;
    single::frmZTLMain w(f.program, f.dialogs);
    QCOMPARE(w.Load(), single::LoadOutcome::LoadFailed);
    const std::string message = "Error in form load event\nerror # 70  \nPermission denied";
    QCOMPARE(f.prompter.texts(), std::vector<std::string>{message});
    QVERIFY(!w.findChild<QPushButton*>("cmdImport")->isEnabled());
    QVERIFY(!w.findChild<QPushButton*>("cmdQBCBrowse")->isEnabled());
    QVERIFY(f.operationLog().ends_with("03/09/2026 2:05:00 PM \r\n" + message + "\r\n"));
}

void SingleStoreMainWindowTest::browseStoresTheCompanyForTheNextStartOnly() {
    test::SingleStoreFixture f;
    single::frmZTLMain w(f.program, f.dialogs);
    loadAndShow(w, f);
    auto* chart = w.findChild<QTableWidget*>("grdCoa");
    const int accounts = chart->rowCount();

    // Cancelled: nothing shown, nothing stored.
    w.findChild<QPushButton*>("cmdQBCBrowse")->click();
    QVERIFY(f.prompter.shown.empty());
    QCOMPARE(f.setting("Company"), f.world.companyFileName);
    QCOMPARE(f.dialogs.fileRequests.size(), size_t(1));
    const ui::FileDialogRequest& asked = f.dialogs.fileRequests[0];
    QCOMPARE(asked.filter, QString("QB Company Files (*.qbw)"));
    QCOMPARE(asked.initialFolder, ui::documentsFolder());
    QVERIFY(asked.cancelError);

    const QString other = f.dir.path() + "/Café Books.qbw";
    f.dialogs.fileAnswers = {other};
    w.findChild<QPushButton*>("cmdQBCBrowse")->click();
    QVERIFY(f.prompter.shown.empty());
    QCOMPARE(f.setting("Company"), QFile::encodeName(other).toStdString());
    QCOMPARE(w.findChild<QLineEdit*>("txtQBCompany")->text(), other);
    QCOMPARE(chart->rowCount(), accounts);

    // The window's engine object still posts to the company it loaded: the import succeeds.
    closeResultsWhenDone(f.dialogs, false);
    w.findChild<QPushButton*>("cmdImport")->click();
    QVERIFY(f.prompter.shown.empty());
    QCOMPARE(qbsim::Company::open(f.world.companyFile).journal().size(), size_t(3));
}

void SingleStoreMainWindowTest::fieldsSelectAllOnFocusAndStoreTrimmedText() {
    test::SingleStoreFixture f;
    single::frmZTLMain w(f.program, f.dialogs);
    loadAndShow(w, f);
    auto* refNum = w.findChild<QLineEdit*>("txtRefNum");
    auto* company = w.findChild<QLineEdit*>("txtQBCompany");
    auto* tax = w.findChild<QLineEdit*>("txtTaxImp");
    QCOMPARE(refNum->text(), QString("401001"));

    refNum->setFocus();
    QTRY_COMPARE(refNum->selectedText(), refNum->text());
    refNum->setText("  4711 ");
    company->setFocus();
    QTRY_COMPARE(company->selectedText(), company->text());
    QCOMPARE(f.setting("ImportReferenceNumber"), std::string("4711"));
    QCOMPARE(refNum->text(), QString("  4711 "));  // the field keeps what was typed

    company->setText("typed over");
    tax->setFocus();
    QTRY_VERIFY(!company->hasFocus());
    QCOMPARE(f.setting("Company"), f.world.companyFileName);  // typing is not stored
}

void SingleStoreMainWindowTest::importOfAcceptedTotalsRemovesTheFile() {
    test::SingleStoreFixture f;
    single::frmZTLMain w(f.program, f.dialogs);
    loadAndShow(w, f);
    closeResultsWhenDone(f.dialogs, false);
    w.findChild<QPushButton*>("cmdImport")->click();

    QVERIFY(f.prompter.shown.empty());
    QVERIFY(!f.program.ImportErrorFlag);
    QVERIFY(!fs::exists(f.world.singleStoreTotalsFile));
    QCOMPARE(w.logic().lastOutcome->fate, TotalsFileFate::Removed);
    QCOMPARE(qbsim::Company::open(f.world.companyFile).journal().size(), size_t(3));
    // The run advanced the number past the last invoice, and the field shows it.
    QCOMPARE(f.setting("ImportReferenceNumber"), std::string("401004"));
    QCOMPARE(w.findChild<QLineEdit*>("txtRefNum")->text(), QString("401004"));
    QVERIFY(!w.findChild<QPushButton*>("cmdImport")->isEnabled());
    QCOMPARE(w.findChild<QPushButton*>("cmdCancel")->text(), QString("&Exit"));
    QCOMPARE(w.findChild<QTableWidget*>("grdX390")->item(1, 0)->text(), QString("Inv:401001"));
}

void SingleStoreMainWindowTest::altIPostsWhatTheFieldBeingTypedInShows() {
    test::SingleStoreFixture f;
    f.settings.set("ZTL", "Zentrel\\Settings", "TaxImportAccount", "Old Tax Agency");  // no such vendor
    single::frmZTLMain w(f.program, f.dialogs);
    loadAndShow(w, f);
    w.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&w));
    auto* tax = w.findChild<QLineEdit*>("txtTaxImp");
    tax->setFocus();
    QTRY_COMPARE(tax->selectedText(), QString("Old Tax Agency"));
    QTest::keyClicks(tax, "State Tax Agency");

    // The mnemonic clicks Import with the cursor still in the field.
    closeResultsWhenDone(f.dialogs, false);
    QTest::keyClick(tax, Qt::Key_I, Qt::AltModifier);
    QTRY_VERIFY(w.logic().lastOutcome.has_value());

    QCOMPARE(f.setting("TaxImportAccount"), std::string("State Tax Agency"));
    QVERIFY(f.prompter.shown.empty());
    QCOMPARE(w.logic().lastOutcome->fate, TotalsFileFate::Removed);
    std::vector<qbsim::JournalEntry> journal = qbsim::Company::open(f.world.companyFile).journal();
    QCOMPARE(journal.size(), size_t(3));
    int taxLines = 0;
    for (const auto& entry : journal)
        for (const auto& line : entry.lines) taxLines += line.entityName == "State Tax Agency";
    QVERIFY(taxLines > 0);
}

void SingleStoreMainWindowTest::importWithARefusedEntryArchivesTheFile() {
    test::SingleStoreFixture f;
    demo::TotalsDay day = demo::singleStoreDay();
    day.transactions.push_back({"401004", {{"6400", "25.00", "0.00"}, {"1000", "0.00", "-25.00"}}});
    const std::string text = demo::totalsFileText(day);
    writeWholeFile(f.world.singleStoreTotalsFile, text);
    single::frmZTLMain w(f.program, f.dialogs);
    loadAndShow(w, f);
    f.dialogs.printerAnswers = {QString(f.dir.path() + "/log.pdf")};
    closeResultsWhenDone(f.dialogs, true);
    w.findChild<QPushButton*>("cmdImport")->click();

    QVERIFY(f.program.ImportErrorFlag);
    QCOMPARE(qbsim::Company::open(f.world.companyFile).journal().size(), size_t(3));
    QVERIFY(!fs::exists(f.world.singleStoreTotalsFile));
    const fs::path archive = f.world.singleStoreTotalsFile.string() + "392026145";
    QCOMPARE(bytesOf(archive), text);
    QCOMPARE(w.logic().lastOutcome->archive, std::string("\\\\STORESRV\\catcon\\X390.QB392026145"));
    const std::string log = bytesOf(f.importLog());
    QCOMPARE(count(log, "ERROR   ----------> !!! Import aborted !!! <--------- !"), 1);
    QVERIFY(log.find("\"6400\"") != std::string::npos);
}

void SingleStoreMainWindowTest::importStoppedEarlyLeavesTheFile() {
    test::SingleStoreFixture f;
    const std::string text = bytesOf(f.world.singleStoreTotalsFile);
    single::frmZTLMain w(f.program, f.dialogs);
    loadAndShow(w, f);
    // A log that cannot be created stops the run before anything is posted.
    fs::create_directory(f.importLog());
    w.findChild<QPushButton*>("cmdImport")->click();

    QCOMPARE(f.prompter.shown.size(), size_t(1));
    QVERIFY(f.prompter.shown[0].text.starts_with("Error in module clsZTL.NewStartImport\nError # "));
    QCOMPARE(bytesOf(f.world.singleStoreTotalsFile), text);
    QCOMPARE(w.logic().lastOutcome->fate, TotalsFileFate::StoppedEarly);
    QCOMPARE(qbsim::Company::open(f.world.companyFile).journal().size(), size_t(0));
    QVERIFY(w.findChild<QPushButton*>("cmdImport")->isEnabled());
}

void SingleStoreMainWindowTest::aTotalsFileThatStaysAgainstExpectationIsToldAndLogged() {
    const std::string source = "\\\\STORESRV\\catcon\\X390.QB";
    struct Case {
        const char* name;
        std::function<void(const fs::path& totals)> before;  // before Import is clicked
        std::function<void(const fs::path& totals)> during;  // while the first entry is sent
        TotalsFileFate fate;
        bool totalsStay;
        std::string notice;  // what the operator is told last, and the operation log keeps
    };
    const std::vector<Case> cases = {
        {"another workstation holds the import lock",
         [](const fs::path& totals) {
             writeWholeFile(totals.string() + ".lock", "workstation=TILL-2\r\nprocess=4242\r\nstarted=" +
                                                           std::to_string(std::int64_t(1) << 40) + "\r\n");
         },
         nullptr, TotalsFileFate::InUse, true,
         "The totals file " + source + " stays where it is: another workstation is importing it."},
        {"the file changes while it is imported", nullptr,
         [](const fs::path& totals) {
             if (bytesOf(totals).ends_with("TRT    9\r\n")) return;
             std::ofstream(totals, std::ios::binary | std::ios::app) << "TRT    9\r\n";
         },
         TotalsFileFate::Changed, true,
         "The totals file " + source +
             " changed while it was imported, so it stays where it is: what it holds now was not "
             "imported.\nCompare it with the import log before importing it again."},
        {"this run's own lock cannot be removed", nullptr, [](const fs::path& totals) { test::jamImportLock(totals); },
         TotalsFileFate::Removed, false,
         "The import lock " + source + ".lock could not be removed: "},
    };
    for (const Case& c : cases) {
        test::SingleStoreFixture f;
        const fs::path totals = f.world.singleStoreTotalsFile;
        test::JournalEntryHook hook(f.processors, [&] {
            if (c.during) c.during(totals);
        });
        f.program.processors = &hook;
        if (c.before) c.before(totals);
        single::frmZTLMain w(f.program, f.dialogs);
        loadAndShow(w, f);
        if (c.fate != TotalsFileFate::InUse) closeResultsWhenDone(f.dialogs, false);
        w.findChild<QPushButton*>("cmdImport")->click();

        QVERIFY2(w.logic().lastOutcome && w.logic().lastOutcome->fate == c.fate, c.name);
        QVERIFY2(fs::exists(totals) == c.totalsStay, c.name);
        QVERIFY2(!f.prompter.shown.empty(), c.name);
        const MessageBox& told = f.prompter.shown.back();
        QVERIFY2(told.text.starts_with(c.notice), told.text.c_str());
        QCOMPARE(told.icon, MsgIcon::Exclamation);
        QVERIFY2(f.operationLog().find(c.notice) != std::string::npos, c.name);
    }
}

void SingleStoreMainWindowTest::operationLogGrowsByOneStartAndOneEndPerRun() {
    test::SingleStoreFixture f;
    for (int run = 1; run <= 2; ++run) {
        std::unique_ptr<single::frmZTLMain> w = single::SubMain(f.program, f.dialogs, {"KTV3094R"});
        QVERIFY(w);
        QCOMPARE(count(f.operationLog(), " Zentrel Start \r\n"), run);
        QCOMPARE(count(f.operationLog(), " Zentrel end program \r\n"), run - 1);
        w->close();
        QCOMPARE(count(f.operationLog(), " Zentrel end program \r\n"), run);
        QCOMPARE(f.program.mainWindow, nullptr);
    }
    QCOMPARE(f.program.operationLogPath,
             fs::path(f.dir.path().toStdString()) / "state" / "zentrel" / "ztloperation.log");
}

void SingleStoreMainWindowTest::startUpRefusesAnyOtherCommandLine_data() {
    QTest::addColumn<QStringList>("arguments");
    QTest::newRow("none") << QStringList{};
    QTest::newRow("other case") << QStringList{"ktv3094r"};
    QTest::newRow("trailing blank inside the argument") << QStringList{"KTV3094R "};
    QTest::newRow("second argument") << QStringList{"KTV3094R", "x"};
    QTest::newRow("toolkit options are no token") << QStringList{"-platform", "offscreen"};
}

void SingleStoreMainWindowTest::startUpRefusesAnyOtherCommandLine() {
    QFETCH(QStringList, arguments);
    test::SingleStoreFixture f;
    f.program.operationLogPath.clear();
    std::vector<std::string> args;
    for (const auto& a : arguments) args.push_back(a.toStdString());
    QVERIFY(!single::SubMain(f.program, f.dialogs, args));
    QCOMPARE(f.prompter.texts(),
             std::vector<std::string>{
                 " This application can only be started \n     from the Korvane main menu.    "});
    QCOMPARE(f.prompter.shown[0].icon, MsgIcon::Information);
    QCOMPARE(f.prompter.shown[0].title, std::string("Zentrel"));
    for (QWidget* top : QApplication::topLevelWidgets()) QVERIFY(!top->isVisible());
    QCOMPARE(f.processors.created, 0);
    // A refused start leaves no trace: no log, not even its place.
    QVERIFY(f.program.operationLogPath.empty());
}

void SingleStoreMainWindowTest::anErrorOfTheStartUpIsReportedLoggedAndLeavesTheSplashOpen() {
    // The load's own error report fails: the error leaves the load, into the start-up's trap.
    struct FailingOnce : RecordingPrompter {
        MsgResult show(const MessageBox& box) override {
            bool first = shown.empty();
            RecordingPrompter::show(box);
            if (first) throw VbError(5, "Prompter", "Invalid procedure call or argument");
            return MsgResult::OK;
        }
    } prompter;
    test::SingleStoreFixture f;
    BrokenSettings broken;
    f.program.settings = &broken;
    f.program.prompter = &prompter;
    QVERIFY(!single::SubMain(f.program, f.dialogs, {"KTV3094R"}));

    const std::string report = "Error in Sub Main\nError # 5  \nInvalid procedure call or argument";
    QCOMPARE(prompter.texts().size(), size_t(2));
    QCOMPARE(prompter.shown[1].text, report);
    QCOMPARE(prompter.shown[1].icon, MsgIcon::None);
    QCOMPARE(prompter.shown[1].title, std::string("Zentrel"));
    QVERIFY(f.operationLog().find(report) != std::string::npos);
    QWidget* splash = nullptr;
    for (QWidget* top : QApplication::topLevelWidgets())
        if (top->objectName() == "frmSplash" && top->isVisible()) splash = top;
    QVERIFY(splash);  // open when the error came: it stays open
    QPointer<QWidget> closing(splash);
    splash->close();
    QTRY_VERIFY(closing.isNull());  // and goes once closed
}

QTEST_MAIN(SingleStoreMainWindowTest)
#include "single_main_window_test.moc"
