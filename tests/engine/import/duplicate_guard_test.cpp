// The duplicate guard against the simulated company: whatever brings a day to an import a
// second time, QuickBooks ends up holding each of its transactions once.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

#include "engine/import/cls_ztl.h"
#include "engine/posting/posted_entries.h"
#include "engine_fixture.h"
#include "import_runner.h"
#include "platform/text_file.h"
#include "qbsim/company.h"
#include "qbsim/sample_company.h"
#include "qbsim/sim_request_processor.h"

namespace ztl::test {
namespace {

// A processor on the simulated company that can fail the journal-entry query, or break
// down after a number of journal entries, as a killed run or a lost connection does.
class FlakyProcessor : public RequestProcessor {
  public:
    explicit FlakyProcessor(std::shared_ptr<RequestProcessor> inner) : inner_(std::move(inner)) {}
    std::function<std::string(const std::string& request)> queryAnswer;  // replaces the company's
    long queryFailure = 0;                                                 // HRESULT thrown instead
    int entriesBeforeBreakdown = -1;                                       // -1: never
    int queries = 0;

    void OpenConnection(const std::string& a, const std::string& n) override { inner_->OpenConnection(a, n); }
    std::string BeginSession(const std::string& f, int m) override { return inner_->BeginSession(f, m); }
    std::string ProcessRequest(const std::string& ticket, const std::string& request) override {
        if (request.find("<JournalEntryQueryRq") != std::string::npos) {
            ++queries;
            if (queryFailure) throw VbError(queryFailure, "QBXMLRP2", "QuickBooks found an error when parsing the provided XML text stream.");
            if (queryAnswer) return queryAnswer(request);
        }
        if (request.find("<JournalEntryAddRq") != std::string::npos && entriesBeforeBreakdown >= 0 &&
            entriesBeforeBreakdown-- == 0)
            throw VbError(hresult::kCouldNotAccess, "QBXMLRP2", "Could not access QuickBooks.");
        return inner_->ProcessRequest(ticket, request);
    }
    void EndSession(const std::string& t) override { inner_->EndSession(t); }
    void CloseConnection() override { inner_->CloseConnection(); }
    std::string GetCurrentCompanyFileName(const std::string& t) override {
        return inner_->GetCurrentCompanyFileName(t);
    }

  private:
    std::shared_ptr<RequestProcessor> inner_;
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
