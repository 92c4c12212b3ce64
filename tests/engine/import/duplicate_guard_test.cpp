// The duplicate guard against the simulated company: whatever brings a day to an import a
// second time, QuickBooks ends up holding each of its transactions once.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

#include "engine/company/company_session.h"
#include "engine/import/cls_ztl.h"
#include "engine/review/undo_log.h"
#include "engine/review/undo_run.h"
#include "engine/posting/posted_entries.h"
#include "engine_fixture.h"
#include "import_runner.h"
#include "platform/text_file.h"
#include "qbsim/company.h"
#include "qbsim/sample_company.h"
#include "qbsim/sim_request_processor.h"

namespace ztl::test {
namespace {

// A processor on the simulated company that can fail the journal-entry query, break down
// for good after a number of journal entries, as a killed run or a lost connection does, or
// lose the answer of one entry, as the Web Connector does when it vanishes with it.
class FlakyProcessor : public RequestProcessor {
  public:
    explicit FlakyProcessor(std::shared_ptr<RequestProcessor> inner) : inner_(std::move(inner)) {}
    std::function<std::string(const std::string& request)> queryAnswer;  // replaces the company's
    long queryFailure = 0;                                                 // HRESULT thrown instead
    int entriesBeforeBreakdown = -1;                                       // -1: never
    int loseAnswerOfEntry = 0;      // the n-th entry's answer never comes back (from 1; 0: none)
    bool lostEntryPosted = true;    // and QuickBooks posted it all the same
    bool reachableAfterLoss = true;  // false: QuickBooks cannot be reached any more after it
    int queries = 0;

    void OpenConnection(const std::string& a, const std::string& n) override {
        if (brokenDown_) throw VbError(hresult::kCouldNotStart, "QBXMLRP2", "Could not start QuickBooks.");
        inner_->OpenConnection(a, n);
    }
    std::string BeginSession(const std::string& f, int m) override { return inner_->BeginSession(f, m); }
    std::string ProcessRequest(const std::string& ticket, const std::string& request) override {
        if (request.find("<JournalEntryQueryRq") != std::string::npos) {
            ++queries;
            if (queryFailure) throw VbError(queryFailure, "QBXMLRP2", "QuickBooks found an error when parsing the provided XML text stream.");
            if (queryAnswer) return queryAnswer(request);
        }
        if (request.find("<JournalEntryAddRq") != std::string::npos) {
            if (brokenDown_ || (entriesBeforeBreakdown >= 0 && entriesBeforeBreakdown-- == 0)) {
                brokenDown_ = true;
                throw VbError(hresult::kCouldNotAccess, "QBXMLRP2", "Could not access QuickBooks.");
            }
            if (++entries_ == loseAnswerOfEntry) {
                if (lostEntryPosted) inner_->ProcessRequest(ticket, request);
                brokenDown_ = !reachableAfterLoss;
                throw VbError(hresult::kCouldNotAccess, "QBWC",
                              "Could not access QuickBooks. The Web Connector took the request but returned no answer.");
            }
        }
        return inner_->ProcessRequest(ticket, request);
    }
    void EndSession(const std::string& t) override { inner_->EndSession(t); }
    void CloseConnection() override { inner_->CloseConnection(); }
    std::string GetCurrentCompanyFileName(const std::string& t) override {
        return inner_->GetCurrentCompanyFileName(t);
    }

  private:
    std::shared_ptr<RequestProcessor> inner_;
    bool brokenDown_ = false;
    int entries_ = 0;
};

struct FlakyFactory : RequestProcessorFactory {
    std::filesystem::path company;
    std::shared_ptr<FlakyProcessor> last;  // kept past the engine object that used it
    std::function<void(FlakyProcessor&)> setUp;
    std::shared_ptr<RequestProcessor> create() override {
        auto p = std::make_shared<FlakyProcessor>(std::make_shared<qbsim::SimRequestProcessor>(company));
        if (setUp) setUp(*p);
        last = p;
        return p;
    }
};

// A store's day on the sample company, imported as either program imports it.
struct Day {
    TestProgram t;
    ScratchDir store{"store"};
    FlakyFactory qb;
    RecordingView view;
    RecordingResults results;

    explicit Day(Edition edition) {
        qb.company = store.path() / "shop.qbw";
        auto company = qbsim::Company::create(qb.company);
        qbsim::addSampleCompany(company);
        t.program.processors = &qb;
        t.program.mainWindow = &view;
        t.program.resultsWindows = &results;
        t.program.setEdition(edition);
        if (edition == Edition::MultiStore) t.program.settingsSection = "ZentrelMS\\Settings\\" + qb.company.string();
        for (auto [key, value] : {std::pair{"ARImportAccount", "Walk-in Customer"},
                                  {"VendorImportAccount", "Main Supplier"},
                                  {"TaxImportAccount", "State Tax Agency"}})
            t.settings.set("ZTL", t.program.settingsSection, key, value);
    }
    std::string totals(const std::string& bytes) { return store.file("X390.QB", bytes).string(); }
    void import(const std::string& path) {
        clsZTL z(t.program);
        z.X390source(path);
        if (t.program.edition == Edition::SingleStore) {
            z.LoadQbCoa();
            z.Load390();
        }
        run = z.NewStartImport();
    }
    RunRecord run;  // the last import's record
    std::string log() const { return readWholeFile(store.path() / "QBImport.log"); }
    std::vector<qbsim::JournalEntry> journal() const { return qbsim::Company::open(qb.company).journal(); }
    // How often QuickBooks holds an entry with this reference number.
    int held(const std::string& ref) const {
        auto j = journal();
        return static_cast<int>(std::count_if(j.begin(), j.end(), [&](const auto& e) { return e.refNumber == ref; }));
    }
};

// The sample company's kind of day: cash sales with tax, a house charge, a supplier's bill.
std::string sampleDay(const std::string& date = "12/05/26") {
    return file({"Q 0003 DEMO", H("004711", date), D("1000", "1081.25"), D("4000", "0.00", "-1000.00"),
                 D("2100", "0.00", "-81.25"), "TRT    1", "Q 0003 DEMO", H("004712", date), D("1200", "540.00"),
                 D("4100", "0.00", "-500.00"), D("2100", "0.00", "-40.00"), "TRT    1", "Q 0003 DEMO",
                 H("004713", date), D("6100", "250.00"), D("2000", "0.00", "-250.00"), "TRT    1"});
}

// Undoes the run recorded in the store folder's log `name`, confirmed.
void undoLog(Day& day, const std::string& name) {
    CompanySession company(day.t.program, "");
    UndoPlan plan = planUndo(company, (day.store.path() / name).string(), "");
    carryOutUndo(company, plan, &day.t.clock);
}

int count(const std::string& text, const std::string& what) {
    int n = 0;
    for (auto at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
    return n;
}

class DuplicateGuard : public ::testing::TestWithParam<Edition> {};

TEST_P(DuplicateGuard, ADayImportedTwiceIsPostedOnceAndTheSecondLogSaysWhatWasThere) {
    Day day(GetParam());
    std::string path = day.totals(sampleDay());
    day.import(path);
    ASSERT_EQ(day.journal().size(), 3u);
    const std::string reference = day.t.settings.get("ZTL", day.t.program.settingsSection, "ImportReferenceNumber");

    day.view = RecordingView{};
    day.import(path);
    EXPECT_EQ(day.journal().size(), 3u) << "nothing posted twice";
    const std::string log = day.log();
    for (const char* ref : {"004711", "004712", "004713"}) EXPECT_EQ(day.held(ref), 1) << ref;
    EXPECT_EQ(count(log, "Already in QuickBooks : TxnID "), 3);
    EXPECT_EQ(count(log, "Transaction : "), 3) << "a block for every transaction";
    EXPECT_NE(log.find("Transaction : 2    Invoice : 004712\r\nAlready in QuickBooks : TxnID 2-"), std::string::npos);
    EXPECT_EQ(count(log, "Import successful"), 0);
    EXPECT_EQ(day.run.count(RunRecord::Outcome::AlreadyThere), 3);
    EXPECT_FALSE(day.t.program.ImportErrorFlag);
    EXPECT_EQ(day.t.settings.get("ZTL", day.t.program.settingsSection, "ImportReferenceNumber"), reference)
        << "the number moves on as after a posted entry";
    EXPECT_NEAR(day.view.value, GetParam() == Edition::SingleStore ? 100.0 : 0.0, 1e-9);
    EXPECT_TRUE(day.t.prompter.shown.empty()) << day.t.prompter.texts()[0];
}

TEST_P(DuplicateGuard, ARunThatBrokeOffAndTheSameFileAgainLeaveEveryTransactionOnce) {
    Day day(GetParam());
    std::string bytes;
    for (int i = 1; i <= 12; ++i) {
        std::string amount = std::to_string(i) + ".00";
        bytes += file({"Q", H(std::to_string(100 + i), i % 2 ? "12/05/26" : "12/06/26"), D("1000", amount),
                       D("4000", "0", "-" + amount), "TRT    1"});
    }
    std::string path = day.totals(bytes);
    day.qb.setUp = [](FlakyProcessor& p) { p.entriesBeforeBreakdown = 5; };
    day.import(path);
    ASSERT_EQ(day.journal().size(), 5u) << "the run broke off after five entries";

    day.qb.setUp = nullptr;
    day.t.prompter.shown.clear();
    day.import(path);
    EXPECT_EQ(day.journal().size(), 12u);
    for (int i = 1; i <= 12; ++i) EXPECT_EQ(day.held(std::to_string(100 + i)), 1) << i;
    EXPECT_EQ(day.run.count(RunRecord::Outcome::AlreadyThere), 5);
}

TEST_P(DuplicateGuard, ALostAnswerCostsNoMoreThanItsEntryAndTheLogThatFindsItUndoesIt) {
    Day day(GetParam());
    std::string path = day.totals(sampleDay());
    // QuickBooks posts the second entry; its answer never comes back.
    day.qb.setUp = [](FlakyProcessor& p) { p.loseAnswerOfEntry = 2; };
    day.import(path);
    for (const char* ref : {"004711", "004712", "004713"}) EXPECT_EQ(day.held(ref), 1) << ref;
    EXPECT_EQ(day.qb.last->queries, 2) << "asked again before the third entry went out";
    using O = RunRecord::Outcome;
    ASSERT_EQ(day.run.transactions.size(), 3u);
    EXPECT_EQ(day.run.transactions[0].outcome, O::Posted);
    EXPECT_EQ(day.run.transactions[1].outcome, O::AlreadyThere) << "found when asked again";
    EXPECT_TRUE(day.run.transactions[1].sentWithoutAnswer);
    EXPECT_EQ(day.run.transactions[2].outcome, O::Posted);
    EXPECT_TRUE(day.run.postedWhole());
    const std::string log = day.log();
    const std::string lostId = day.run.transactions[1].txnId;
    EXPECT_NE(log.find("Invoice : 004712\r\nSent to QuickBooks, no answer came back : "), std::string::npos) << log;
    EXPECT_NE(log.find("Transaction : 3    Invoice : 004712\r\nAlready in QuickBooks : TxnID " + lostId +
                       " - not sent again\r\nSent without an answer by the run of QBImport.log : TxnID " + lostId +
                       " - the undo of this log removes it\r\n \r\n"),
              std::string::npos)
        << log;

    // Its undo reaches every entry the run made, the one whose answer was lost too.
    undolog::ImportLogRecord record = undolog::readImportLog(log);
    ASSERT_EQ(record.entries.size(), 3u);
    for (const auto& e : record.entries) EXPECT_TRUE(e.postedByThisRun) << e.referenceNumber;
    undoLog(day, "QBImport.log");
    EXPECT_EQ(day.journal().size(), 0u);
}

TEST_P(DuplicateGuard, AnAnswerLostAtTheEndIsRecordedAsPostedByTheRunThatFindsItAndOnlyThere) {
    Day day(GetParam());
    std::string path = day.totals(sampleDay());
    day.qb.setUp = [](FlakyProcessor& p) { p.loseAnswerOfEntry = 3; };
    day.import(path);
    EXPECT_EQ(day.run.count(RunRecord::Outcome::NoAnswer), 1) << "nothing came after it to ask again for";
    ASSERT_EQ(day.journal().size(), 3u);

    day.qb.setUp = nullptr;
    day.import(path);
    EXPECT_EQ(day.journal().size(), 3u) << "found, not sent again";
    EXPECT_TRUE(day.run.transactions[2].sentWithoutAnswer);
    EXPECT_FALSE(day.run.transactions[0].sentWithoutAnswer) << "posted with its answer by the first run";
    const std::string id = day.run.transactions[2].txnId;
    EXPECT_NE(day.log().find("Invoice : 004713\r\nAlready in QuickBooks : TxnID " + id +
                             " - not sent again\r\nSent without an answer by the run of QBImport.log.1 : TxnID " +
                             id + " - the undo of this log removes it"),
              std::string::npos)
        << day.log();
    EXPECT_EQ(count(day.log(), "Sent without an answer by the run of"), 1);

    // The second run's undo removes that entry alone; the first run's the two it had answers for.
    undoLog(day, "QBImport.log");
    EXPECT_EQ(day.held("004713"), 0);
    EXPECT_EQ(day.journal().size(), 2u);
    undoLog(day, "QBImport.log.1");
    EXPECT_EQ(day.journal().size(), 0u);

    // A third run posts the day afresh and finds no unanswered request any more: the second
    // log's word on 004713 is the last.
    day.import(path);
    EXPECT_EQ(day.journal().size(), 3u);
    EXPECT_EQ(day.run.count(RunRecord::Outcome::Posted), 3);
    EXPECT_EQ(count(day.log(), "Sent without an answer by the run of"), 0);
}

TEST_P(DuplicateGuard, AfterALostAnswerNothingIsSentUnlessQuickBooksCanBeAskedAgain) {
    Day day(GetParam());
    std::string path = day.totals(sampleDay());
    // The first entry's request never reached QuickBooks, and QuickBooks cannot be reached again.
    day.qb.setUp = [](FlakyProcessor& p) {
        p.loseAnswerOfEntry = 1;
        p.lostEntryPosted = false;
        p.reachableAfterLoss = false;
    };
    day.import(path);
    EXPECT_EQ(day.journal().size(), 0u);
    using O = RunRecord::Outcome;
    EXPECT_EQ(day.run.count(O::NoAnswer), 1);
    EXPECT_EQ(day.run.count(O::NotSent), 2);
    EXPECT_NE(day.run.transactions[1].reason.find("QuickBooks could not be reached again after an answer was lost"),
              std::string::npos)
        << day.run.transactions[1].reason;
    bool told = false;
    for (const auto& text : day.t.prompter.texts())
        told |= text.find("Nothing more was sent in this import") != std::string::npos;
    EXPECT_TRUE(told);

    // The next run sends the one whose answer was lost: QuickBooks does not hold it.
    day.qb.setUp = nullptr;
    day.import(path);
    for (const char* ref : {"004711", "004712", "004713"}) EXPECT_EQ(day.held(ref), 1) << ref;
    EXPECT_EQ(day.run.count(O::Posted), 3);
    EXPECT_EQ(count(day.log(), "Sent without an answer by the run of"), 0);
}

TEST_P(DuplicateGuard, ARefusedTransactionIsSentAgainAndAnotherStoresEntryDoesNotStopOne) {
    Day day(GetParam());
    // Another store posted an entry with this store's first invoice number and date.
    {
        Day other(GetParam());
        other.qb.company = day.qb.company;
        other.import(other.totals(file({"Q", H("004711"), D("1000", "5.00"), D("4000", "0", "-5.00"), "TRT    1"})));
    }
    std::string path = day.totals(sampleDay() + file({"Q", H("004714"), D("6400", "20.00"), D("1000", "0", "-20.00"), "TRT    1"}));
    day.import(path);
    EXPECT_EQ(day.held("004711"), 2) << "the other store's entry is not this transaction";
    EXPECT_NE(day.log().find("Invoice : 004711\r\nQuickBooks entry TxnID 1-"), std::string::npos)
        << "the log names the other entry";
    EXPECT_EQ(day.held("004714"), 0) << "6400 is no account of the company";

    qbsim::Company::open(day.qb.company).addAccount({"6400", "Advertising", "Expense", ""});
    day.import(path);
    EXPECT_EQ(day.held("004714"), 1) << "refused before, sent again";
    EXPECT_EQ(day.held("004711"), 2);
    EXPECT_EQ(day.run.count(RunRecord::Outcome::AlreadyThere), 3);
    EXPECT_NE(day.log().find("Invoice : 004714\r\nImport successful"), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(BothEditions, DuplicateGuard,
                         ::testing::Values(Edition::MultiStore, Edition::SingleStore),
                         [](const auto& param) { return param.param == Edition::MultiStore ? "MultiStore" : "SingleStore"; });

TEST(DuplicateGuard, AQuestionQuickBooksCannotAnswerStopsTheRunBeforeItsFirstEntry) {
    const std::string errorAnswer =
        "<?xml version=\"1.0\" ?><QBXML><QBXMLMsgsRs><JournalEntryQueryRs requestID=\"1\" statusCode=\"3000\" "
        "statusSeverity=\"Error\" statusMessage=\"The given object ID is invalid.\"/></QBXMLMsgsRs></QBXML>";
    struct Case {
        const char* name;
        std::function<void(FlakyProcessor&)> setUp;
        const char* reason;
    } cases[] = {
        {"version refused", [](FlakyProcessor& p) { p.queryFailure = hresult::kParseError; },
         "QuickBooks did not answer the question (error # -2147220480: QuickBooks found an error when parsing"},
        {"error status", [&](FlakyProcessor& p) { p.queryAnswer = [&](const std::string&) { return errorAnswer; }; },
         "QuickBooks refused the question: status 3000 (Error): The given object ID is invalid."},
        {"not XML", [](FlakyProcessor& p) { p.queryAnswer = [](const std::string&) { return std::string("<QBXML"); }; },
         "QuickBooks' answer could not be read"},
    };
    for (const auto& c : cases) {
        Day day(Edition::MultiStore);
        day.qb.setUp = c.setUp;
        std::string path = day.totals(sampleDay());
        day.import(path);
        EXPECT_TRUE(day.journal().empty()) << c.name;
        EXPECT_TRUE(day.run.stoppedUnasked) << c.name;
        ASSERT_EQ(day.t.prompter.shown.size(), 1u) << c.name;
        EXPECT_NE(day.t.prompter.shown[0].text.find(c.reason), std::string::npos) << day.t.prompter.shown[0].text;
        EXPECT_NE(day.t.prompter.shown[0].text.find("nothing was posted"), std::string::npos) << c.name;
        EXPECT_NE(day.log().find("Nothing was sent: QuickBooks could not be asked"), std::string::npos) << c.name;
        EXPECT_EQ(day.results.shown, 0) << c.name;

        // The operator's explicit choice posts all the same, and the log's heading says so.
        day.t.prompter.shown.clear();
        day.t.settings.set("ZTL", day.t.program.settingsSection, "DuplicateCheck", "Off");
        day.import(path);
        EXPECT_EQ(day.journal().size(), 3u) << c.name;
        EXPECT_EQ(day.log().find("Korvane Zentrel import log"), 0u);
        EXPECT_NE(day.log().find("---- \r\n \r\nDuplicate check : off - every transaction is sent"), std::string::npos);
        EXPECT_EQ(day.qb.last->queries, 0) << "nothing asked";
    }
}

TEST(DuplicateGuard, AFullAnswerIsAskedAgainByNarrowerDatesDownToOneDay) {
    Day day(Edition::MultiStore);
    std::string bytes;
    const char* dates[] = {"12/01/26", "12/02/26", "12/02/26", "12/04/26", "12/07/26"};
    for (int i = 0; i < 5; ++i)
        bytes += file({"Q", H(std::to_string(200 + i), dates[i]), D("1000", "3.00"), D("4000", "0", "-3.00"), "TRT    1"});
    std::string path = day.totals(bytes);
    day.import(path);

    clsZTL z(day.t.program);
    z.X390source(path);
    z.duplicateQueryPageSize = 3;
    day.run = z.NewStartImport();
    EXPECT_EQ(day.journal().size(), 5u) << "every page was read";
    EXPECT_EQ(day.run.count(RunRecord::Outcome::AlreadyThere), 5);
    EXPECT_GT(day.qb.last->queries, 1);

    // A day whose entries fill a page cannot be asked by a narrower window.
    clsZTL full(day.t.program);
    full.X390source(path);
    full.duplicateQueryPageSize = 1;
    day.run = full.NewStartImport();
    EXPECT_TRUE(day.run.stoppedUnasked);
    EXPECT_NE(day.t.prompter.texts().back().find("QuickBooks holds 1 or more journal entries dated 12/1/2026, more than one answer can carry."), std::string::npos)
        << day.t.prompter.texts().back();
    EXPECT_EQ(day.journal().size(), 5u);
}

TEST(PostedEntries, EachEntryStandsForOneTransactionAndAccountsResolveAsQuickBooksResolvesThem) {
    CompanyChart chart({{"80000001-1", "Checking", "1000", "Bank"}, {"80000002-1", "Sales", "4000", "Income"}});
    auto line = [](bool debit, const char* account, std::int64_t cents, const char* memo = " Korvane Import ") {
        return EntryLine{debit, "", account, cents, memo, ""};
    };
    StoreTransaction t{"a7", "2026-12-05", {line(true, "1000", 500), line(false, "sales", 500)}};
    PostedEntry held{"1-1", "t", "t", "1", "1", "2026-12-05", "A7", {line(false, "Sales", 500), line(true, "CHECKING", 500)}};
    PostedEntry otherAmount = held;
    otherAmount.txnId = "2-1";
    otherAmount.lines[0].cents = otherAmount.lines[1].cents = 400;
    PostedEntry byHand = held;
    byHand.txnId = "3-1";
    byHand.lines[0].memo = "typed in";

    PostedEntries entries({held, otherAmount, byHand}, chart);
    PostedEntries::Match first = entries.claim(t);
    ASSERT_NE(first.same, nullptr);
    EXPECT_EQ(first.same->txnId, "1-1");
    PostedEntries::Match second = entries.claim(t);
    EXPECT_EQ(second.same, nullptr) << "the one entry is claimed already: an identical second transaction is sent";
    ASSERT_EQ(second.others.size(), 2u);
    EXPECT_EQ(second.others[0]->txnId, "2-1");
    EXPECT_EQ(second.others[1]->txnId, "3-1") << "an entry without the import's memo is not the import's";
    EXPECT_EQ(entries.claim({"A7", "2026-12-06", t.lines}).others.size(), 0u) << "another day";
}

}  // namespace
}  // namespace ztl::test
