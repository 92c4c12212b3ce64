// The multi-store program on a demo world: start-up, the main window's load with its three
// ways to end the program, the grids, the account fields, Import and the archiving.
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QStatusBar>
#include <QTableWidget>
#include <QtTest>
#include <filesystem>
#include <fstream>

#include "engine/import/cls_ztl.h"
#include "platform/text_file.h"
#include "qbsim/company.h"
#include "support/control_texts.h"
#include "support/demo_fixture.h"
#include "support/forwarding_processor.h"
#include "support/modal_answer.h"
#include "support/request_hook.h"
#include "ui/frm_display.h"
#include "ui/frm_warning.h"
#include "ui/logic/grid_content.h"
#include "ui/frm_ztl_main.h"
#include "ui/logic/account_fields.h"
#include "ui/ms_startup.h"
#include "ui/single_byte_text.h"

using namespace ztl;
namespace fs = std::filesystem;

namespace {

// Types the answer into the confirmation window when it comes up.
void confirmWith(const QString& answer) {
    test::answerNextModal([answer](QWidget* w) {
        w->findChild<QLineEdit*>("Text1")->setText(answer);
        w->findChild<QPushButton*>("cmdOk")->click();
    });
}

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

QStringList column(QTableWidget* grid, int c) {
    QStringList out;
    for (int r = 0; r < grid->rowCount(); ++r)
        out << (grid->item(r, c) ? grid->item(r, c)->text() : "<none>");
    return out;
}

std::vector<fs::path> filesStartingWith(const fs::path& folder, const std::string& prefix) {
    std::vector<fs::path> out;
    for (const auto& e : fs::directory_iterator(folder))
        if (e.path().filename().string().rfind(prefix, 0) == 0) out.push_back(e.path());
    std::sort(out.begin(), out.end());
    return out;
}

// Every request fails with one HRESULT: QuickBooks refusing the session.
struct RefusingFactory : RequestProcessorFactory {
    long number;
    explicit RefusingFactory(long n) : number(n) {}
    struct P : RequestProcessor {
        long n;
        explicit P(long x) : n(x) {}
        void OpenConnection(const std::string&, const std::string&) override {}
        std::string BeginSession(const std::string&, int) override {
            throw VbError(n, "QBXMLRP2", "refused");
        }
        std::string ProcessRequest(const std::string&, const std::string&) override { return {}; }
        void EndSession(const std::string&) override {}
        void CloseConnection() override {}
        std::string GetCurrentCompanyFileName(const std::string&) override { return {}; }
    };
    std::shared_ptr<RequestProcessor> create() override { return std::make_shared<P>(number); }
};

// The simulated company, except that it cannot answer the chart of accounts.
struct NoChartFactory : RequestProcessorFactory {
    RequestProcessorFactory& real;
    explicit NoChartFactory(RequestProcessorFactory& r) : real(r) {}
    struct P : test::ForwardingProcessor {
        using ForwardingProcessor::ForwardingProcessor;
        std::string ProcessRequest(const std::string& t, const std::string& q) override {
            if (q.find("AccountQueryRq") != std::string::npos)
                throw VbError(hresult::kParseError, "QBXMLRP2", "no chart");
            return r->ProcessRequest(t, q);
        }
    };
    std::shared_ptr<RequestProcessor> create() override { return std::make_shared<P>(real.create()); }
};

}  // namespace

class MultiStoreMainWindowTest : public QObject {
    Q_OBJECT
  private slots:
    void loadShowsStoreTotalsAndChart();
    void everyCaptionAndTooltipOfTheMainAndResultsWindows();
    void gridsHaveTheirHeadersAndKeepTheirWidthDivisors();
    void aStoreNameThatCannotBeReadIsShownAsSuchAndTheLoadGoesOn();
    void loadEndsTheProgramWhenDeclinedMissingOrUnreachable();
    void aChartThatCannotBeLoadedOnlyDisablesImport();
    void accountFieldsAreStoredTrimmedPerCompany();
    void altIPostsWhatTheFieldBeingTypedInShows();
    void aLoadThatFailedStoresNoField();
    void importPostsShowsResultsAndArchives();
    void anEarlyStopKeepsTheFileAndAnArchiveIsNeverWrittenOver();
    void aLockThatStaysBehindIsToldAndTheDayIsArchived();
    void startUpRefusesAnyOtherCommandLine_data();
    void startUpRefusesAnyOtherCommandLine();
    void startUpShowsTheSplashDuringTheLoadOnly();
    void anErrorOfTheStartUpIsReportedAndLeavesTheSplashOpen();
};

void MultiStoreMainWindowTest::loadShowsStoreTotalsAndChart() {
    test::DemoFixture f(Edition::MultiStore, 3);
    ui::frmZTLMain w(f.program, f.dialogs);
    f.program.mainWindow = &w;
    confirmWith("YES");
    QCOMPARE(w.Load(), ms::LoadOutcome::Ready);
    QVERIFY(f.prompter.shown.empty());

    QCOMPARE(w.windowTitle(), QString("Korvane Zentrel     MultiStore Version   5.01.0001"));
    QStringList panels;
    for (int i = 1; i <= 4; ++i) panels << w.findChild<QLabel*>(QString("sb1Panel%1").arg(i))->text();
    QCOMPARE(panels, QStringList({"Client :WS-TEST", "Host :STORESRV", "Terminal :14",
                                  "Source :KVS003  Store # 003"}));
    // The store name as the store system pads it, 35 characters.
    QString store = w.findChild<QLineEdit*>("txtKrvStore")->text();
    QCOMPARE(store.size(), 35);
    QCOMPARE(store.trimmed(), ui::fromSingleByte(f.world.stores[2].name));  // an accented name
    QCOMPARE(w.findChild<QLineEdit*>("txtQBCompany")->text(),
             QString::fromStdString(f.world.companyFileName));
    QCOMPARE(w.logic().sourcePath, std::string("\\\\STORESRV\\CATCON\\3X390.QB"));
    QCOMPARE(f.program.settingsSection, "ZentrelMS\\Settings\\" + f.world.companyFileName);
    QCOMPARE(w.findChild<QLineEdit*>("txtARImport")->text(), QString("House Account"));

    // The totals grid: every table line a row, H and D rows in their forms, others empty.
    auto* totals = w.findChild<QTableWidget*>("grdX390");
    QCOMPARE(totals->horizontalHeaderItem(1)->text(), QString("Amount"));
    QCOMPARE(totals->rowCount(), int(w.logic().totals->size()));
    QStringList accounts = column(totals, 0), amounts = column(totals, 1);
    int h = int(accounts.indexOf(QRegularExpression("^Inv:.+")));
    QVERIFY(h >= 0);
    QVERIFY(amounts[h].startsWith("Date :"));
    QVERIFY(amounts[h + 1].contains(QRegularExpression("^-?\\$\\d*\\.\\d\\d$")));
    QCOMPARE(totals->item(0, 0)->background().color(), QColor(192, 255, 255));
    QCOMPARE(totals->item(1, 0)->background().style(), Qt::NoBrush);

    auto* chart = w.findChild<QTableWidget*>("grdCoa");
    QCOMPARE(chart->columnCount(), 3);
    QVERIFY(column(chart, 1).contains("Sales Tax Payable"));
    QVERIFY(column(chart, 2).contains("AccountsReceivable"));
    QVERIFY(w.findChild<QPushButton*>("cmdImport")->isEnabled());
    QVERIFY(w.findChild<QPushButton*>("cmdCancel")->isEnabled());
}

void MultiStoreMainWindowTest::everyCaptionAndTooltipOfTheMainAndResultsWindows() {
    test::DemoFixture f;
    ui::frmZTLMain w(f.program, f.dialogs);
    QCOMPARE(w.windowTitle(), QString("Korvane Zentrel"));
    test::compareControlTexts(
        w, {
               {"Label3", "Korvane totals to import", ""},
               {"grdX390", nullptr, "These are totals from the last Korvane ENDDAY run"},
               {"Label4", "QuickBooks Account List", ""},
               {"grdCoa", nullptr, "QuickBooks Accounts from the target Company"},
               {"Label7", "Korvane Store", ""},
               {"txtKrvStore", nullptr, "Current Korvane Store... this is set from the Korvane main menu  < 7-GO>"},
               {"Label2", "Quick Books Company", ""},
               {"txtQBCompany", nullptr, "This QuickBooks company is currently open"},
               {"lblARImp", "A/R Import Account", ""},
               {"txtARImport", nullptr, "This account must be set up in QuickBooks customer file"},
               {"lblVendImport", "Vendor Import Account", ""},
               {"txtVendImport", nullptr, "This vendor must be set up in QuickBooks vendor file"},
               {"Label8", "Sales Tax Account", ""},
               {"txtTaxImp", nullptr, "Enter the sales tax vendor in the QuickBooks vendor file"},
               {"cmdImport", "&Import", "Start the import procedure"},
               {"cmdCancel", "&Cancel", "Exit this program"},
               {"cmdHelp", "", "Zentrel Help"},
               {"Label5", "", ""},
               {"Label9", "", ""},
           });

    ui::frmDisplay results(f.program, f.dialogs);
    QCOMPARE(results.windowTitle(), QString("Display"));
    test::compareControlTexts(results, {
                                           {"rtb1", nullptr, ""},
                                           {"cmdPrint", "&Print", "Print import results"},
                                           {"cmdSave", "&Save", "Save this file "},
                                           {"cmdExit", "E&xit", "Close this form and exit"},
                                       });
}

void MultiStoreMainWindowTest::gridsHaveTheirHeadersAndKeepTheirWidthDivisors() {
    test::DemoFixture f;
    ui::frmZTLMain w(f.program, f.dialogs);
    confirmWith("YES");
    QCOMPARE(w.Load(), ms::LoadOutcome::Ready);
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    struct Grid {
        const char* name;
        QStringList header;
        std::vector<double> divisors;
    };
    for (QSize size : {QSize(1000, 700), QSize(1333, 811)}) {
        w.resize(size);
        QTest::qWait(20);
        for (const Grid& g : {Grid{"grdX390", {"Account", "Amount"}, {3, 1.7}},
                              Grid{"grdCoa", {"Account", "Name", "Type"}, {5, 2.5, 2.5}}}) {
            auto* grid = w.findChild<QTableWidget*>(g.name);
            QStringList header;
            for (int c = 0; c < grid->columnCount(); ++c) header << grid->horizontalHeaderItem(c)->text();
            QCOMPARE(header, g.header);
            const int width = grid->viewport()->width();
            for (size_t c = 0; c < g.divisors.size(); ++c)
                QCOMPARE(grid->columnWidth(int(c)), ui::columnWidth(width, g.divisors[c]));
        }
    }
    QCOMPARE(ui::columnWidth(1000, 1.7), 588);  // rounded, a half to the even neighbour
    QCOMPARE(ui::columnWidth(5, 2), 2);
}

void MultiStoreMainWindowTest::aStoreNameThatCannotBeReadIsShownAsSuchAndTheLoadGoesOn() {
    test::DemoFixture f(Edition::MultiStore, 3);
    bool removed = false;
    for (const auto& e : fs::recursive_directory_iterator(f.world.sharesRoot))
        if (e.path().filename() == "FILE0" && e.path().string().find("KVS003") != std::string::npos) {
            fs::remove(e.path());
            removed = true;
            break;
        }
    QVERIFY(removed);
    ui::frmZTLMain w(f.program, f.dialogs);
    confirmWith("YES");
    QCOMPARE(w.Load(), ms::LoadOutcome::Ready);
    QVERIFY(f.prompter.shown.empty());  // no message of its own
    QCOMPARE(w.findChild<QLineEdit*>("txtKrvStore")->text(), QString("Error finding Store Name"));
    QCOMPARE(w.logic().sourcePath, std::string("\\\\STORESRV\\CATCON\\3X390.QB"));
    QVERIFY(w.findChild<QPushButton*>("cmdImport")->isEnabled());
}

void MultiStoreMainWindowTest::loadEndsTheProgramWhenDeclinedMissingOrUnreachable() {
    {
        test::DemoFixture f;
        ui::frmZTLMain w(f.program, f.dialogs);
        confirmWith("no");
        QCOMPARE(w.Load(), ms::LoadOutcome::EndProgram);
        QVERIFY(f.prompter.shown.empty());
        QVERIFY(w.logic().sourcePath.empty());  // nothing after the confirmation ran
    }
    {
        test::DemoFixture f(Edition::MultiStore, 2);
        fs::remove(f.world.stores[1].totalsFile);
        ui::frmZTLMain w(f.program, f.dialogs);
        confirmWith("yes");
        QCOMPARE(w.Load(), ms::LoadOutcome::EndProgram);
        QCOMPARE(f.prompter.shown.size(), size_t(1));
        QCOMPARE(f.prompter.shown[0].icon, MsgIcon::Critical);
        QCOMPARE(
            f.prompter.shown[0].text,
            std::string("Error in module validatesource \nerror # 53  File not found\n"
                        "\nThe Korvane import source file \n\\\\STORESRV\\CATCON\\2X390.QB\nwas not found."));
        QVERIFY(w.logic().companyFile.empty());  // QuickBooks never asked
    }
    {
        test::DemoFixture f;
        fs::remove_all(f.world.sharesRoot / "STORESRV" / "CATCON");
        ui::frmZTLMain w(f.program, f.dialogs);
        confirmWith("Yes");
        QCOMPARE(w.Load(), ms::LoadOutcome::EndProgram);
        QCOMPARE(f.prompter.shown.back().text,
                 std::string("Error in module validatesource \nerror # 52  Bad file name or number\n"
                             "Can Not locate Korvane Server !\nMake sure the drive is mapped properly."));
    }
    for (long refusal : {hresult::kNeedCompanyFile, hresult::kCompanyNotOpen}) {
        test::DemoFixture f;
        RefusingFactory refusing(refusal);
        f.program.processors = &refusing;
        ui::frmZTLMain w(f.program, f.dialogs);
        confirmWith("YES");
        QCOMPARE(w.Load(), ms::LoadOutcome::EndProgram);
        if (refusal == hresult::kCompanyNotOpen) {
            QVERIFY(f.prompter.shown.empty());  // another company open: silent
        } else {
            QCOMPARE(f.prompter.shown.size(), size_t(1));
            QCOMPARE(f.prompter.shown[0].icon, MsgIcon::Critical);
            QCOMPARE(f.prompter.shown[0].buttons, MsgButtons::OK);
            QCOMPARE(f.prompter.shown[0].text,
                     std::string("Error in module : CheckQBConnection\nerror # -2147220458  \n"
                                 "Could not connect to QuickBooks Company! \n\n"
                                 "QuickBooks should be running with the \n"
                                 "company you wish to import to currently open."));
        }
        QCOMPARE(w.findChild<QTableWidget*>("grdX390")->rowCount(), 0);
    }
}

void MultiStoreMainWindowTest::aChartThatCannotBeLoadedOnlyDisablesImport() {
    test::DemoFixture f;
    NoChartFactory noChart(f.processors);
    f.program.processors = &noChart;
    ui::frmZTLMain w(f.program, f.dialogs);
    confirmWith("YES");
    QCOMPARE(w.Load(), ms::LoadOutcome::Ready);
    QVERIFY(!f.prompter.shown.empty());  // the session's own report of the refused request
    QVERIFY(!w.findChild<QPushButton*>("cmdImport")->isEnabled());
    QVERIFY(w.findChild<QPushButton*>("cmdCancel")->isEnabled());
    QVERIFY(w.findChild<QTableWidget*>("grdX390")->rowCount() > 0);
    QCOMPARE(w.findChild<QTableWidget*>("grdCoa")->rowCount(), 0);
}

void MultiStoreMainWindowTest::accountFieldsAreStoredTrimmedPerCompany() {
    test::DemoFixture f;
    ui::frmZTLMain w(f.program, f.dialogs);
    confirmWith("YES");
    QCOMPARE(w.Load(), ms::LoadOutcome::Ready);
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    auto* ar = w.findChild<QLineEdit*>("txtARImport");
    ar->setFocus();
    QTRY_COMPARE(ar->selectedText(), ar->text());  // focus selects the whole text
    ar->setText("  Walk-in Customer ");
    w.findChild<QLineEdit*>("txtTaxImp")->setFocus();
    QTRY_VERIFY(!ar->hasFocus());
    QCOMPARE(f.settings.get("ZTL", f.program.settingsSection, "ARImportAccount"),
             std::string("Walk-in Customer"));
    QCOMPARE(ar->text(), QString("  Walk-in Customer "));  // the field keeps what was typed

    // Another company file has its own values: the first load with it shows empty fields.
    f.program.settingsSection = "ZentrelMS\\Settings\\/elsewhere/Other.qbw";
    QCOMPARE(ui::readAccountFields(f.program).ar, std::string());
    f.program.settingsSection = "ZentrelMS\\Settings\\" + f.world.companyFileName;
    QCOMPARE(ui::readAccountFields(f.program).ar, std::string("Walk-in Customer"));
}

void MultiStoreMainWindowTest::altIPostsWhatTheFieldBeingTypedInShows() {
    test::DemoFixture f(Edition::MultiStore, 2);
    const std::string section = "ZentrelMS\\Settings\\" + f.world.companyFileName;
    f.settings.set("ZTL", section, "TaxImportAccount", "Old Tax Agency");  // QuickBooks has no such vendor
    ui::frmZTLMain w(f.program, f.dialogs);
    f.program.mainWindow = &w;
    confirmWith("YES");
    QCOMPARE(w.Load(), ms::LoadOutcome::Ready);
    w.show();
    w.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&w));
    auto* tax = w.findChild<QLineEdit*>("txtTaxImp");
    tax->setFocus();
    QTRY_COMPARE(tax->selectedText(), QString("Old Tax Agency"));
    QTest::keyClicks(tax, "State Tax Agency");
    QCOMPARE(tax->text(), QString("State Tax Agency"));

    // The mnemonic clicks Import with the cursor still in the field.
    closeResultsWhenDone(f.dialogs, false);
    QTest::keyClick(tax, Qt::Key_I, Qt::AltModifier);
    QTRY_VERIFY(!w.findChild<QPushButton*>("cmdImport")->isEnabled());

    QCOMPARE(f.settings.get("ZTL", section, "TaxImportAccount"), std::string("State Tax Agency"));
    QVERIFY(!f.program.ImportErrorFlag);
    std::vector<qbsim::JournalEntry> journal = qbsim::Company::open(f.world.companyFile).journal();
    QVERIFY(!journal.empty());
    int taxLines = 0;
    for (const auto& entry : journal)
        for (const auto& line : entry.lines) {
            QVERIFY(line.entityName != "Old Tax Agency");
            taxLines += line.entityName == "State Tax Agency";
        }
    QVERIFY(taxLines > 0);
}

void MultiStoreMainWindowTest::aLoadThatFailedStoresNoField() {
    test::DemoFixture f;
    // A customer number that is none stops the store data engine: the load's own error trap
    // takes it, before the company's section is known.
    fs::path ini = f.world.configFolder / "kvsCatalog.ini";
    std::string text = readWholeFile(ini);
    size_t customer = text.find("CustomerNumber=");
    QVERIFY(customer != std::string::npos);
    text.insert(customer + std::string("CustomerNumber=").size(), "x");
    writeWholeFile(ini, text);

    ui::frmZTLMain w(f.program, f.dialogs);
    confirmWith("YES");
    QCOMPARE(w.Load(), ms::LoadOutcome::LoadFailed);
    QCOMPARE(f.prompter.shown.size(), size_t(1));
    QCOMPARE(f.prompter.shown[0].text, std::string("Error in form load event\nerror # 13  \nType mismatch"));
    QCOMPARE(f.prompter.shown[0].icon, MsgIcon::None);
    QCOMPARE(f.prompter.shown[0].buttons, MsgButtons::OK);
    QVERIFY(!w.findChild<QPushButton*>("cmdImport")->isEnabled());
    QCOMPARE(f.program.settingsSection, std::string());

    // The operator tabs through the empty fields: nothing is stored, nothing is wiped.
    for (const char* field : {"txtARImport", "txtVendImport", "txtTaxImp"})
        w.logic().accountFieldLostFocus(field, "");
    QCOMPARE(f.settings.get("ZTL", "", "ARImportAccount", "<absent>"), std::string("<absent>"));
    QCOMPARE(f.settings.get("ZTL", "", "TaxImportAccount", "<absent>"), std::string("<absent>"));
}

void MultiStoreMainWindowTest::importPostsShowsResultsAndArchives() {
    test::DemoFixture f(Edition::MultiStore, 1);  // store 1 books one entry QuickBooks refuses
    ui::frmZTLMain w(f.program, f.dialogs);
    f.program.mainWindow = &w;
    confirmWith("YES");
    QCOMPARE(w.Load(), ms::LoadOutcome::Ready);
    w.show();
    f.dialogs.printerAnswers = {QString(f.dir.path() + "/log.pdf")};
    closeResultsWhenDone(f.dialogs, true);
    w.findChild<QPushButton*>("cmdImport")->click();

    QVERIFY(f.program.ImportErrorFlag);
    QCOMPARE(f.dialogs.printerRequests, 1);
    QVERIFY(fs::file_size(f.dir.path().toStdString() + "/log.pdf") > 0);
    QVERIFY(!w.findChild<QPushButton*>("cmdImport")->isEnabled());
    QCOMPARE(w.findChild<QPushButton*>("cmdCancel")->text(), QString("&Exit"));
    QCOMPARE(w.findChild<QLabel*>("Label5")->text(), QString("Import complete..."));
    QVERIFY(!w.findChild<QProgressBar*>("pb1")->isVisible());

    qbsim::Company company = qbsim::Company::open(f.world.companyFile);
    QVERIFY(company.journal().size() > 0);
    // The totals file stands under its archive name now: month, day, year, hour, minute.
    fs::path totals = f.world.stores[0].totalsFile;
    QVERIFY(!fs::exists(totals));
    QVERIFY(fs::exists(totals.string() + "392026145"));
    QCOMPARE(w.logic().lastArchive.value(), std::string("\\\\STORESRV\\CATCON\\1X390.QB392026145"));
    QVERIFY(fs::exists(totals.parent_path() / "1QBImport.log"));
}

void MultiStoreMainWindowTest::anEarlyStopKeepsTheFileAndAnArchiveIsNeverWrittenOver() {
    test::DemoFixture f(Edition::MultiStore, 2);
    ui::frmZTLMain w(f.program, f.dialogs);
    f.program.mainWindow = &w;
    confirmWith("YES");
    QCOMPARE(w.Load(), ms::LoadOutcome::Ready);
    fs::path totals = f.world.stores[1].totalsFile;
    std::string original;
    {
        std::ifstream in(totals, std::ios::binary);
        original.assign(std::istreambuf_iterator<char>(in), {});
    }
    // A log that cannot be created stops the run early: the file stays for the next import.
    fs::create_directory(totals.parent_path() / "2QBImport.log");
    w.logic().cmdImport_Click();
    QCOMPARE(f.prompter.shown.size(), size_t(1));
    QVERIFY(f.prompter.shown[0].text.find("Line # 230") != std::string::npos);
    QVERIFY(fs::exists(totals));
    fs::remove(totals.parent_path() / "2QBImport.log");
    closeResultsWhenDone(f.dialogs, false);
    w.logic().cmdImport_Click();
    QVERIFY(fs::exists(totals.string() + "392026145"));

    // A second import in the same minute keeps the first archive.
    { std::ofstream(totals, std::ios::binary) << original; }
    closeResultsWhenDone(f.dialogs, false);
    w.logic().cmdImport_Click();
    QVERIFY(fs::exists(totals.string() + "392026145.1"));
    QVERIFY(!fs::exists(totals));
    std::ifstream first(totals.string() + "392026145", std::ios::binary);
    QCOMPARE(std::string(std::istreambuf_iterator<char>(first), {}), original);

    // Another workstation is importing the file: this run posts nothing and the file stays
    // where that run reads it.
    { std::ofstream(totals, std::ios::binary) << original; }
    std::ofstream(totals.string() + ".lock")
        << "workstation=TILL-2\nprocess=4242\nstarted=" << (std::int64_t(1) << 40) << "\nsince=today\n";
    size_t boxes = f.prompter.shown.size();
    w.logic().cmdImport_Click();
    QCOMPARE(f.prompter.shown.size(), boxes + 1);
    QVERIFY(f.prompter.shown.back().text.find("TILL-2") != std::string::npos);
    QVERIFY(fs::exists(totals));
    QVERIFY(!fs::exists(totals.string() + "392026145.2"));
}

void MultiStoreMainWindowTest::aLockThatStaysBehindIsToldAndTheDayIsArchived() {
    test::DemoFixture f(Edition::MultiStore, 2);
    fs::path totals = f.world.stores[1].totalsFile;
    test::JournalEntryHook jam(f.processors, [&] { test::jamImportLock(totals); });
    f.program.processors = &jam;
    ui::frmZTLMain w(f.program, f.dialogs);
    f.program.mainWindow = &w;
    confirmWith("YES");
    QCOMPARE(w.Load(), ms::LoadOutcome::Ready);
    closeResultsWhenDone(f.dialogs, false);
    w.logic().cmdImport_Click();

    QVERIFY(!f.program.ImportErrorFlag);
    QCOMPARE(f.prompter.shown.size(), size_t(1));
    QVERIFY(f.prompter.shown[0].text.starts_with(
        "The import lock \\\\STORESRV\\CATCON\\2X390.QB.lock could not be removed: "));
    QVERIFY(f.prompter.shown[0].text.ends_with(
        ".\nOther workstations cannot import this totals file until it is deleted."));
    QCOMPARE(f.prompter.shown[0].icon, MsgIcon::Exclamation);
    // The day is posted: it no longer stands under its own name, to be posted again.
    QVERIFY(!fs::exists(totals));
    QCOMPARE(w.logic().lastArchive.value(), std::string("\\\\STORESRV\\CATCON\\2X390.QB392026145"));
}

void MultiStoreMainWindowTest::startUpRefusesAnyOtherCommandLine_data() {
    QTest::addColumn<QStringList>("arguments");
    QTest::newRow("none") << QStringList{};
    QTest::newRow("other case") << QStringList{"ktv3094r"};
    QTest::newRow("trailing blank inside the argument") << QStringList{"KTV3094R "};
    QTest::newRow("second argument") << QStringList{"KTV3094R", "x"};
    QTest::newRow("toolkit options") << QStringList{"-platform", "offscreen"};
    QTest::newRow("token after a toolkit option") << QStringList{"-platform", "offscreen", "KTV3094R"};
}

void MultiStoreMainWindowTest::startUpRefusesAnyOtherCommandLine() {
    QFETCH(QStringList, arguments);
    test::DemoFixture f;
    std::vector<std::string> args;
    for (const auto& a : arguments) args.push_back(a.toStdString());
    QVERIFY(!ui::SubMain(f.program, f.dialogs, args));
    QCOMPARE(f.prompter.shown.size(), size_t(1));
    QCOMPARE(f.prompter.shown[0].text,
             std::string(" This application can only be started \n     from the Korvane main menu.    "));
    QCOMPARE(f.prompter.shown[0].icon, MsgIcon::Information);
    QCOMPARE(f.prompter.shown[0].title, std::string("ZentrelMS"));
    for (QWidget* top : QApplication::topLevelWidgets()) QVERIFY(!top->isVisible());
}

void MultiStoreMainWindowTest::startUpShowsTheSplashDuringTheLoadOnly() {
    for (bool confirm : {true, false}) {
        test::DemoFixture f;
        bool splashDuringLoad = false, mainDuringLoad = true;
        test::answerNextModal([&](QWidget* w) {
            for (QWidget* top : QApplication::topLevelWidgets()) {
                if (top->objectName() == "frmSplash") splashDuringLoad = top->isVisible();
                if (top->objectName() == "frmZTLMain") mainDuringLoad = top->isVisible();
            }
            w->findChild<QLineEdit*>("Text1")->setText(confirm ? "YES" : "NO");
            w->findChild<QPushButton*>("cmdOk")->click();
        });
        std::unique_ptr<ui::frmZTLMain> main = ui::SubMain(f.program, f.dialogs, {"KTV3094R"});
        QVERIFY(splashDuringLoad);
        QVERIFY(!mainDuringLoad);
        QCOMPARE(bool(main), confirm);
        for (QWidget* top : QApplication::topLevelWidgets()) {
            if (top->objectName() == "frmSplash") QVERIFY(!top->isVisible());
            if (top->objectName() == "frmZTLMain") QCOMPARE(top->isVisible(), confirm);
        }
        QVERIFY(f.prompter.shown.empty());
        QCOMPARE(f.program.splash, nullptr);
    }
}

void MultiStoreMainWindowTest::anErrorOfTheStartUpIsReportedAndLeavesTheSplashOpen() {
    // The load's own error report fails: the error leaves the load, into the start-up's trap.
    struct FailingOnce : RecordingPrompter {
        MsgResult show(const MessageBox& box) override {
            bool first = shown.empty();
            RecordingPrompter::show(box);
            if (first) throw VbError(5, "Prompter", "Invalid procedure call or argument");
            return MsgResult::OK;
        }
    } prompter;
    test::DemoFixture f;
    f.program.prompter = &prompter;
    fs::path ini = f.world.configFolder / "kvsCatalog.ini";
    std::string text = readWholeFile(ini);
    text.insert(text.find("CustomerNumber=") + std::string("CustomerNumber=").size(), "x");
    writeWholeFile(ini, text);
    confirmWith("YES");
    QVERIFY(!ui::SubMain(f.program, f.dialogs, {"KTV3094R"}));

    QCOMPARE(prompter.shown.size(), size_t(2));
    QCOMPARE(prompter.shown[1].text, std::string("Error in Sub Main\nError # 5  \nInvalid procedure call or argument"));
    QCOMPARE(prompter.shown[1].icon, MsgIcon::None);
    QCOMPARE(prompter.shown[1].buttons, MsgButtons::OK);
    QCOMPARE(prompter.shown[1].title, f.program.title);
    QCOMPARE(f.program.splash, nullptr);
    // The splash was open when the error came: it stays open, until the operator closes it.
    QWidget* splash = nullptr;
    for (QWidget* top : QApplication::topLevelWidgets())
        if (top->objectName() == "frmSplash" && top->isVisible()) splash = top;
    QVERIFY(splash);
    QPointer<QWidget> closing(splash);
    QTest::keyClick(splash, Qt::Key_Space);
    QTRY_VERIFY(closing.isNull());  // closed and gone
}

QTEST_MAIN(MultiStoreMainWindowTest)
#include "ms_main_window_test.moc"
