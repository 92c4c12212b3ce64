// Whole import runs against a scripted QuickBooks: the log to the byte, the progress, the
// reference number, the runs that stop early, both editions.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

#include "engine/import/cls_ztl.h"
#include "engine/company/import_log.h"
#include "engine/company/operation_log.h"
#include "engine_fixture.h"
#include "import_runner.h"
#include "platform/text_file.h"

namespace fs = std::filesystem;
using namespace ztl;
using namespace ztl::test;

TEST(ImportRun, OneTransactionEndToEnd) {
    ImportRunner r;
    r.t.settings.set("ZTL", "ZentrelMS\\Settings\\/qb/Shop.qbw", "ARImportAccount", "Walk-in Customer");
    r.t.settings.set("ZTL", "ZentrelMS\\Settings\\/qb/Shop.qbw", "TaxImportAccount", "State Tax Agency");
    std::string path = r.totals(file({"Q store 3", H("004711"), D("1200", "108.00"),
                                      D("4000", "0.00", "-100.00"), D("2100", "0.00", "-8.00"), "TRT    1"}));
    r.import(path, Decimal::fromInt(3));

    EXPECT_EQ(r.log(), std::string(kLogHead) +
                           "Transaction : 1    Invoice : 004711\r\nImport successful\r\n"
                           "Response Status Code : 0       Return StatusSeverity Code : Info   Import result "
                           "ID :1-1796622350\r\n"
                           "Return Status Message :Status OK\r\n \r\n");
    ASSERT_EQ(r.journalRequests().size(), 1u);
    const std::string request = r.journalRequests()[0];
    EXPECT_NE(request.find("<FullName> 1200</FullName>\r\n                        </AccountRef>\r\n"
                           "                        <Amount>0000108.00</Amount>\r\n"
                           "                        <Memo> Korvane Import </Memo>\r\n"
                           "                        <EntityRef>\r\n"
                           "                            <FullName>Walk-in Customer</FullName>"),
              std::string::npos);
    EXPECT_NE(request.find("<FullName>State Tax Agency</FullName>"), std::string::npos);
    EXPECT_EQ(readWholeFile(r.t.install.path() / "inpxmltest.xml"), request)
        << "debug copy of the request sent";
    EXPECT_EQ(r.t.settings.get("ZTL", "ZentrelMS\\Settings\\/qb/Shop.qbw", "ImportReferenceNumber"), "4712");
    // Each request has a session of its own: the chart and the question what QuickBooks
    // holds already before the first entry, then the chart afresh before the entry's session.
    std::vector<std::string> sessions;
    for (const auto& c : r.t.qb().calls)
        if (c.rfind("BeginSession", 0) == 0) sessions.push_back(c);
    EXPECT_EQ(sessions, std::vector<std::string>(4, "BeginSession::2"));
    EXPECT_NE(r.t.qb().requests[1].find("<JournalEntryQueryRq"), std::string::npos);

    EXPECT_EQ(r.view.events,
              (std::vector<std::string>{
                  "status:Starting import...", "repaint status", "status:Sending request to QuickBooks...",
                  "repaint status", "status:Asking QuickBooks which transactions it already holds...",
                  "repaint status", "status:Importing 3 transactions... please wait.", "repaint status",
                  "bar shown", "max:100", "bar:33.000000", "bar hidden", "status:Import complete...",
                  "cancel:&Exit", "import off", "detail:", "repaint detail"}));
    EXPECT_EQ(r.results.shown, 1);
    EXPECT_EQ(r.results.caption, "Import results");
    EXPECT_EQ(r.results.loaded, r.wholeLog());
    EXPECT_FALSE(r.t.program.ImportErrorFlag);
    EXPECT_FALSE(r.results.printoutDemanded);
    EXPECT_TRUE(r.t.prompter.shown.empty());
    EXPECT_EQ(r.t.program.importLog, nullptr);
}

TEST(ImportRun, ProgressFollowsTheTransactionCount) {
    struct Case {
        std::optional<Decimal> count;
        double end;
        const char* caption;
    } cases[] = {
        {Decimal::fromInt(3), 99, "Importing 3 transactions... please wait."},
        {Decimal::fromInt(2), 100, "Importing 2 transactions... please wait."},
        {Decimal::fromInt(0), 0, "Importing 0 transactions... please wait."},
        {std::nullopt, 0, "Importing  transactions... please wait."},
        {Decimal::parseLeading("0.4"), 0, "Importing 0.4 transactions... please wait."},
        {Decimal::fromInt(150), 0, "Importing 150 transactions... please wait."},
    };
    for (const auto& c : cases) {
        ImportRunner r;
        // Three blocks; the second has no D lines but still advances the bar.
        std::string path = r.totals(file({"Q", H("1"), D("1000", "5"), D("4000", "0", "-5"), "TRT    1", "Q",
                                          H("2"), H("3"), D("1000", "7"), D("4000", "0", "-7"), "TRT    1"}));
        r.import(path, c.count);
        EXPECT_EQ(r.view.value, c.end) << c.caption;
        EXPECT_NE(std::find(r.view.events.begin(), r.view.events.end(), std::string("status:") + c.caption),
                  r.view.events.end());
        EXPECT_EQ(r.journalRequests().size(), 2u) << "the H without D lines sends nothing";
        EXPECT_EQ(r.results.shown, 1);
    }
}

TEST(ImportRun, RefusedEntriesAreLoggedAndTheRunGoesOn) {
    ImportRunner r;
    r.journalAnswers = {journalResponse("3180", "Error",
                                        "There was an error when saving a Journal Entry.  "
                                        "QuickBooks error message: Transaction not in balance.")};
    std::string path = r.totals(file({"Q", H("100"), D("1000", "5"), D("4000", "0", "-4"), "TRT    1", "Q",
                                      H("A7"), D("1000", "7"), D("4000", "0", "-7"), "TRT    1"}));
    r.import(path, Decimal::fromInt(2));
    EXPECT_EQ(
        r.log(),
        std::string(kLogHead) +
            "Transaction : 1    Invoice : 100\r\n"
            "ERROR   ----------> !!! Import aborted !!! <--------- !\r\n"
            "Response Status Code : 3180       Return StatusSeverity Code : Error   Import result ID :\r\n"
            "Return Status Message :There was an error when saving a Journal Entry.  QuickBooks error "
            "message: Transaction not in balance.\r\n \r\n"
            "Transaction : 2    Invoice : A7\r\nImport successful\r\n"
            "Response Status Code : 0       Return StatusSeverity Code : Info   Import result ID "
            ":1-1796622350\r\n"
            "Return Status Message :Status OK\r\n \r\n");
    EXPECT_TRUE(r.t.program.ImportErrorFlag);
    EXPECT_TRUE(r.results.printoutDemanded) << "the results window demands the printout";
    EXPECT_EQ(r.t.settings.get("ZTL", r.t.program.settingsSection, "ImportReferenceNumber"), "1")
        << "a reference without leading digits reads as 0";
}

TEST(ImportRun, TransactionsThatCannotBeSentLeaveNoBlockAndUseNoNumber) {
    ImportRunner r;
    std::string path =
        r.totals(file({"Q", H("1"), D("1000", "0"), D("4000", "0", "-5"), "TRT    1",  // zero first row
                       "Q", H("2", "13/45/26"), D("1000", "5"), D("4000", "0", "-5"), "TRT    1",  // bad date
                       "Q", H("3"), D("1000", "9"), D("4000", "0", "-9"), "TRT    1"}));
    r.import(path, Decimal::fromInt(3));
    EXPECT_EQ(r.journalRequests().size(), 1u);
    EXPECT_NE(r.log().find("Transaction : 1    Invoice : 3\r\n"), std::string::npos);
    // The summary names them, and it is in the log before the results window shows it.
    EXPECT_TRUE(r.wholeLog().ends_with("\r\n \r\nSummary of this import\r\n" + std::string(76, '-') +
                                       " \r\nBusiness date : 12/05/26\r\nDebits of the day : 14.00\r\n"
                                       "Credits of the day : 19.00\r\n"
                                       "Posted : 1\r\nRefused : 0\r\nAlready in QuickBooks : 0\r\n"
                                       "Sent without an answer : 0\r\nNot sent : 2 (1, 2)\r\n"))
        << r.wholeLog();
    EXPECT_EQ(r.t.prompter.texts(),
              (std::vector<std::string>{"Error in module clsZTL.DoImport\nError # -2147220991  \n"
                                        "Zero amount in first journal entry line... Import aborted !",
                                        "Error in module clsZTL.DoImport\nError # 13  \nType mismatch"}));
    EXPECT_EQ(r.results.shown, 1);
}

TEST(ImportRun, AFailedSessionMidRunSkipsTheRestWithoutLogging) {
    ImportRunner r;
    r.t.qb().failOperation = "ProcessRequest";
    r.t.qb().failAtCall = 6;  // the second transaction's journal entry (after the chart and the question)
    r.t.qb().failNumber = hresult::kParseError;
    std::string path = r.totals(file({"Q", H("1"), D("1000", "5"), D("4000", "0", "-5"), "TRT    1", "Q",
                                      H("2"), D("1000", "6"), D("4000", "0", "-6"), "TRT    1", "Q", H("3"),
                                      D("1000", "7"), D("4000", "0", "-7"), "TRT    1"}));
    r.import(path, Decimal::fromInt(3));
    std::string log = r.log();
    EXPECT_NE(log.find("Invoice : 1\r\n"), std::string::npos);
    EXPECT_EQ(log.find("Invoice : 2"), std::string::npos);
    EXPECT_EQ(log.find("Invoice : 3"), std::string::npos) << "the connection stays closed";
    EXPECT_EQ(r.t.settings.get("ZTL", r.t.program.settingsSection, "ImportReferenceNumber"), "2");
    ASSERT_GE(r.t.prompter.shown.size(), 1u);
    EXPECT_NE(r.t.prompter.shown[0].text.find("There is a problem with the source file X390.QB. "),
              std::string::npos);
    EXPECT_EQ(r.results.shown, 1);
}

TEST(ImportRun, RunsThatStopEarlyReportTheirStatement) {
    struct Case {
        const char* name;
        std::string bytes;  // empty: no totals file at all
        bool logFolderMissing;
        const char* report;
    } cases[] = {
        {"first line not Q", file({H("1"), D("1000", "5"), "TRT    1"}), false,
         "Error in module clsZTL.NewStartImport\r\nError # -2147220987  \n"
         "The totals file does not begin with a Q line.\r\nLine # 400"},
        {"empty file", "", false,
         "Error in module clsZTL.NewStartImport\r\nError # 62  \nInput past end of file\r\nLine # 400"},
        {"no totals file", "-", false,
         "Error in module clsZTL.NewStartImport\r\nError # 53  \nFile not found\r\nLine # 380"},
        {"log not creatable", "-", true,
         "Error in module clsZTL.NewStartImport\r\nError # 76  \nPath not found\r\nLine # 230"},
    };
    for (const auto& c : cases) {
        ImportRunner r;
        std::string path = (r.store.path() / (c.logFolderMissing ? "gone/X390.QB" : "X390.QB")).string();
        if (c.bytes != "-") r.totals(c.bytes);
        r.import(path, Decimal::fromInt(1));
        ASSERT_EQ(r.t.prompter.shown.size(), 1u) << c.name;
        EXPECT_EQ(r.t.prompter.shown[0].text, c.report) << c.name;
        EXPECT_EQ(r.results.shown, 0) << c.name;
        EXPECT_TRUE(r.journalRequests().empty()) << c.name;
        if (!c.logFolderMissing) {
            EXPECT_EQ(r.log(), kLogHead) << c.name;
        }
    }
}

TEST(ImportRun, TheEndOfTheFileEndsABlockAsATrailerWould) {
    const std::string cases[] = {
        "Q\r\n" + H("1") + "\r\n" + D("1000", "5") + "\r\n" + D("4000", "0", "-5"),  // last line a D line
        "Q\r\n" + H("1") + "\r\n" + D("1000", "5") + "\r\n" + D("4000", "0", "-5") +
            "\r\n",  // with its line break
        "Q\r\n" + H("1") + "\r\n" + D("1000", "5") + "\r\n" + D("4000", "0", "-5") +
            "\r\nTRT    1\r\nQ",  // stray Q
    };
    for (const auto& bytes : cases) {
        ImportRunner r;
        r.import(r.totals(bytes), Decimal::fromInt(1));
        EXPECT_EQ(r.journalRequests().size(), 1u) << bytes;
        EXPECT_TRUE(r.t.prompter.shown.empty()) << bytes;
        EXPECT_EQ(r.results.shown, 1);
    }
    ImportRunner r;
    r.import(r.totals("Q\r\n" + H("1")), Decimal::fromInt(1));
    EXPECT_TRUE(r.journalRequests().empty()) << "an H line without D lines sends nothing";
    EXPECT_EQ(r.view.value, 100) << "but still advances the bar";
}

TEST(ImportRun, ATLineWhereAnHIsExpectedEndsTheRunNormally) {
    ImportRunner r;
    std::string path = r.totals(file({"Q", H("1"), D("1000", "5"), D("4000", "0", "-5"), "T      1", "Q",
                                      H("2"), D("1000", "5"), D("4000", "0", "-5"), "TRT    1"}));
    r.import(path, Decimal::fromInt(2));
    EXPECT_EQ(r.journalRequests().size(), 1u);
    EXPECT_EQ(r.results.shown, 1);
    EXPECT_TRUE(r.t.prompter.shown.empty());
}

TEST(ImportRun, TheLogSitsBesideTheTotalsFileKeepingTheStoreNumber) {
    EXPECT_EQ(importlog::logPathFor("\\\\SRV1\\CATCON\\3X390.QB"), "\\\\SRV1\\CATCON\\3QBImport.log");
    EXPECT_EQ(importlog::logPathFor("/srv/catcon/X390.QB"), "/srv/catcon/QBImport.log");
}

TEST(ImportRun, SingleStoreStepsByARealNumberAndKeepsItsAccounts) {
    ImportRunner r;
    r.t.program.setEdition(Edition::SingleStore);
    r.t.program.operationLogPath = r.store.path() / "ztloperation.log";
    r.t.settings.set("ZTL", "Zentrel\\Settings", "VendorImportAccount", "Main Supplier");
    std::string path = r.totals(file({"Q", H("1"), D("2000", "5"), D("4000", "0", "-5"), "TRT    1", "Q",
                                      H("2"), D("1000", "5"), D("4000", "0", "-5"), "TRT    1", "Q", H("3"),
                                      D("1000", "5"), D("4000", "0", "-5"), "TRT    1"}));
    clsZTL z(r.t.program);
    z.LoadQbCoa();
    z.X390source(path);
    z.Load390();
    z.NewStartImport();
    EXPECT_NEAR(r.view.value, 100.0, 1e-9) << "three steps of 100/3";
    EXPECT_NE(std::find(r.view.events.begin(), r.view.events.end(),
                        std::string("status:Importing 3 transactions... please wait.")),
              r.view.events.end());
    EXPECT_EQ(r.journalRequests().size(), 3u);
    EXPECT_EQ(r.t.qb().requests.size(), 5u)
        << "one chart load at the start, the question what QuickBooks holds, none per transaction";
    EXPECT_NE(r.journalRequests()[0].find("<FullName>Main Supplier</FullName>"), std::string::npos);
    EXPECT_EQ(r.t.settings.get("ZTL", "Zentrel\\Settings", "ImportReferenceNumber"), "4");
}

TEST(ImportRun, SingleStoreReportsGoToTheOperationLogAndTheImportLog) {
    ImportRunner r;
    r.t.program.setEdition(Edition::SingleStore);
    r.t.program.operationLogPath = r.store.path() / "ztloperation.log";
    std::string path = r.totals(file({H("1"), "TRT    1"}));
    clsZTL z(r.t.program);
    z.X390source(path);
    z.Load390();
    z.NewStartImport();
    ASSERT_EQ(r.t.prompter.shown.size(), 1u);
    std::string report =
        "Error in module clsZTL.NewStartImport\nError # -2147220987  \n"
        "The totals file does not begin with a Q line.";
    EXPECT_EQ(r.t.prompter.shown[0].text, report);
    EXPECT_EQ(r.log(), std::string(kLogHead) + "12/07/2026 9:05:03 PM \r\n" + report + "\r\n");

    // A failing session is also recorded in the operation log, with its target.
    r.t.qb().failOperation = "BeginSession";
    r.t.qb().failNumber = hresult::kNeedCompanyFile;
    z.QBCompany = "/qb/Shop.qbw";
    z.SendRequest();
    std::string oplog = readWholeFile(r.store.path() / "ztloperation.log");
    EXPECT_NE(
        oplog.find("12/07/2026 9:05:03 PM \r\nError in module clsZTL.SendRequest \nError # -2147220458"),
        std::string::npos);
    EXPECT_NE(oplog.find("\r\ntarget=/qb/Shop.qbw\r\n"), std::string::npos);
}

TEST(ImportRun, TheOperationLogHoldsTheSessionAndImportReportsOnly) {
    const struct {
        const char* what;
        std::function<void(clsZTL&, ImportRunner&)> fail;
        bool logged;
    } cases[] = {
        {"Load390 of a missing file",
         [](clsZTL& z, ImportRunner&) { z.X390source("/nowhere/X390.QB"), z.Load390(); }, false},
        {"X390Sort of a broken entry", [](clsZTL& z, ImportRunner&) { z.X390Sort({"D,1000"}, 1); }, false},
        {"SendRequest",
         [](clsZTL& z, ImportRunner& r) {
             r.t.qb().failOperation = "BeginSession";
             r.t.qb().failNumber = hresult::kNeedCompanyFile;
             z.SendRequest();
         },
         true},
        {"GetCOAResults of a broken answer", [](clsZTL& z, ImportRunner&) { z.GetCOAResults("<QBXML>"); },
         true},
        {"DoImport of a bad date",
         [](clsZTL& z, ImportRunner&) {
             z.transactionDateText = "13/45/26";
             z.DoImport();
         },
         true},
    };
    for (const auto& c : cases) {
        ImportRunner r;
        r.t.program.setEdition(Edition::SingleStore);
        r.t.program.operationLogPath = r.store.path() / "ztloperation.log";
        clsZTL z(r.t.program);
        c.fail(z, r);
        ASSERT_EQ(r.t.prompter.shown.size(), 1u) << c.what;
        EXPECT_EQ(fs::exists(r.t.program.operationLogPath), c.logged) << c.what;
        if (c.logged) {
            EXPECT_NE(readWholeFile(r.t.program.operationLogPath).find(r.t.prompter.shown[0].text),
                      std::string::npos)
                << c.what;
        }
    }
}

TEST(ImportRun, AnOperationLogThatCannotBeWrittenIsNotReported) {
    EXPECT_NO_THROW(appendOperationLog("/dev/full", "entry"));
    ImportRunner r;
    r.t.program.setEdition(Edition::SingleStore);
    r.t.program.operationLogPath = "/dev/full";
    r.t.qb().failOperation = "BeginSession";
    r.t.qb().failNumber = hresult::kNeedCompanyFile;
    clsZTL z(r.t.program);
    z.SendRequest();
    EXPECT_EQ(r.t.prompter.shown.size(), 1u) << "the session's own report, and nothing about the log";
}

TEST(ImportRun, EveryLineEndOfTheStoreSystemEndsATotalsLine) {
    const std::vector<std::string> lines = {"Q", H("1"), D("1000", "5"), D("4000", "0", "-5"), "TRT    1",
                                            "Q", H("2"), D("1000", "7"), D("4000", "0", "-7"), "TRT    1"};
    for (const std::string end : {"\r", "\n", "\r\n"}) {
        std::string bytes;
        for (const auto& l : lines) bytes += l + end;
        ImportRunner r;
        std::string path = r.totals(bytes);
        clsZTL loader(r.t.program);
        loader.X390source(path);
        loader.Load390();
        EXPECT_EQ(loader.X390()->size(), lines.size());
        r.import(path, loader.ZTLTrcount);
        EXPECT_EQ(r.journalRequests().size(), 2u) << "line end "
                                                  << (end == "\r"   ? "CR"
                                                      : end == "\n" ? "LF"
                                                                    : "CR LF");
        EXPECT_TRUE(r.t.prompter.shown.empty());
    }
}

TEST(AccountMatching, TheEntityFollowsTheAccountTypeAndTheLastMatch) {
    TestProgram t;
    t.program.settingsSection = "S";
    t.settings.set("ZTL", "S", "ARImportAccount", "Customer A");
    t.settings.set("ZTL", "S", "VendorImportAccount", "Vendor V");
    t.settings.set("ZTL", "S", "TaxImportAccount", "Tax Agency");
    clsZTL z(t.program);
    z.GetCOAResults(
        accountResponse({"1200,Accounts Receivable,AccountsReceivable", "2000,Payables,AccountsPayable",
                         "2200,Sales Tax Payable,Expense", "4000 ,Sales,Income", "4000,Sales,Income",
                         "5000,Twice,AccountsReceivable", "5000,Twice,Income", "6000,Sales Tax Payable,Bank",
                         "6000,Later,AccountsReceivable", ",No number,AccountsReceivable"}));
    const std::pair<const char*, const char*> cases[] = {
        {"1200", "Customer A"}, {"2000", "Vendor V"}, {"2200", "Tax Agency"},
        {"4000", ""},           {"4000 ", ""},        {"5000", ""},  // the last match decides
        {"6000", "Tax Agency"},  // a Sales Tax Payable match stops the search
        {"", "Customer A"},      // an empty code matches the account without a number
        {"9999", ""},           {"1200 ", ""},
    };
    for (const auto& [code, entity] : cases) EXPECT_EQ(z.GetEntAcct(code), entity) << "code '" << code << "'";
    t.settings.set("ZTL", "S", "ARImportAccount", "");
    EXPECT_EQ(z.GetEntAcct("1200"), "") << "an unset customer gives no entity";
    t.program.settingsSection = "Other company";
    EXPECT_EQ(z.GetEntAcct("2000"), "") << "each company has its own values";
}

TEST(AccountMatching, ReloadingTheSameChartDoesNotGrowTheList) {
    TestProgram t;
    clsZTL z(t.program);
    std::string chart = accountResponse(kChart);
    for (int i = 0; i < 50; ++i) z.GetCOAResults(chart);
    EXPECT_EQ(z.qbCoa().size(), kChart.size());
    // A changed chart is appended, and its accounts decide from then on.
    z.GetCOAResults(accountResponse({"1000,Checking,AccountsPayable"}));
    t.settings.set("ZTL", "", "VendorImportAccount", "V");
    EXPECT_EQ(z.qbCoa().size(), kChart.size() + 1);
    EXPECT_EQ(z.GetEntAcct("1000"), "V");
    z.GetCOAResults(chart);
    EXPECT_EQ(z.GetEntAcct("1000"), "") << "the chart loaded last decides again";
}

// The run's record tells an entry QuickBooks may hold (its answer never came) from one it
// never got or refused to read: the next step differs (look in QuickBooks, or import again).
// After a lost answer the run goes on over a new connection; after the others it sends no more.
TEST(ImportRun, TheRecordSaysWhatBecameOfEachTransaction) {
    using Outcome = RunRecord::Outcome;
    struct Case {
        const char* name;
        const char* operation;
        long number;
        Outcome second, third;
    } cases[] = {
        {"no answer came back", "ProcessRequest", hresult::kCouldNotAccess, Outcome::NoAnswer, Outcome::Posted},
        {"QuickBooks could not read it", "ProcessRequest", hresult::kParseError, Outcome::NotSent, Outcome::NotSent},
        {"no session to send it in", "BeginSession", hresult::kCouldNotAccess, Outcome::NotSent, Outcome::NotSent},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ImportRunner r;
        r.t.qb().failOperation = c.operation;
        r.t.qb().failAtCall = 6;  // the second transaction's journal entry
        r.t.qb().failNumber = c.number;
        std::string path = r.totals(file({"Q", H("1"), D("1000", "5"), D("4000", "0", "-5"), "TRT    1", "Q",
                                          H("2"), D("1000", "6"), D("4000", "0", "-6"), "TRT    1", "Q", H("3"),
                                          D("1000", "7"), D("4000", "0", "-7"), "TRT    1"}));
        const RunRecord run = r.import(path, Decimal::fromInt(3));
        ASSERT_EQ(run.transactions.size(), 3u);
        EXPECT_EQ(run.transactions[0].outcome, Outcome::Posted);
        EXPECT_EQ(run.transactions[0].logNumber, 1);
        EXPECT_FALSE(run.transactions[0].txnId.empty());
        EXPECT_EQ(run.transactions[1].outcome, c.second);
        EXPECT_FALSE(run.transactions[1].reason.empty());
        EXPECT_EQ(run.transactions[2].outcome, c.third);
        EXPECT_EQ(run.transactions[2].referenceNumber, "3");
        EXPECT_TRUE(run.reachedEnd);
        EXPECT_EQ(run.inQuickBooks(), c.third == Outcome::Posted ? 2 : 1);
    }
}
