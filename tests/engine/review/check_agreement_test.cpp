// The check before an import against what the import then does, transaction by
// transaction, on the simulated company: each day holds one fault per transaction, and the
// check's verdict must be the import's outcome (posted, refused with QuickBooks' own status,
// refused before sending, left out, held already, held changed by hand). Then the judge
// alone, on entries the import never writes, against the simulated company's own answers.
#include <gtest/gtest.h>

#include <functional>
#include <map>

#include "engine/review/check_run.h"
#include "engine/import/cls_ztl.h"
#include "engine/posting/entry_judge.h"
#include "engine/company/import_log_reader.h"
#include "import_runner.h"
#include "platform/text_file.h"
#include "qbsim/company.h"
#include "qbsim/processor_factory.h"
#include "qbsim/qbxml.h"
#include "qbsim/sample_company.h"
#include "qbxml/name_answer.h"
#include "qbxml/requests.h"

namespace ztl::test {
namespace {

using Outcome = TransactionVerdict::Outcome;
using Kind = EntryRefusal::Kind;
constexpr const char* kSection = "ZentrelMS\\Settings\\Check.qbw";

struct Expected {
    std::string ref;
    Outcome outcome;
    std::optional<Kind> refusal = std::nullopt;
    std::string reasonPart = {};  // a piece of the operator's reason
};

struct Day {
    const char* name;
    std::vector<std::string> ar_vendor_tax;
    std::vector<qbsim::NewAccount> extraAccounts;
    std::string postedBefore;  // a totals file imported first
    std::string totals;
    std::vector<Expected> expected;
    bool duplicateCheckOff = false;
    // What somebody does in QuickBooks between the first import and the check.
    std::function<void(qbsim::Company&)> meanwhile = nullptr;
};

// The invoice of each log block, with the status code QuickBooks answered.
std::map<std::string, std::string> loggedStatus(const std::string& log) {
    std::map<std::string, std::string> out;
    for (const auto& t : importlog::readLog(log).transactions)
        out[t.referenceNumber] = t.outcome != TransactionRecord::Outcome::AlreadyThere ? t.statusCode
                                 : t.changedInQuickBooks                            ? "changed " + t.txnId
                                                                                    : "already";
    return out;
}

std::map<std::string, int> postedRefs(const std::filesystem::path& company) {
    std::map<std::string, int> refs;
    for (const auto& e : qbsim::Company::open(company).journal()) ++refs[e.refNumber.value_or("")];
    return refs;
}

RunRecord importFile(Program& p, const std::string& path) {
    clsZTL run(p);
    run.X390source(path);
    return run.NewStartImport();
}

// An entry typed into QuickBooks by hand: no memo on its lines.
void typeEntry(qbsim::Company& company, const std::string& ref, const std::string& debit,
               const std::string& credit, std::int64_t cents) {
    qbsim::JournalEntry e;
    e.txnDate = "2026-12-05";
    e.refNumber = ref;
    for (const auto& [debitSide, code] : {std::pair{true, debit}, std::pair{false, credit}}) {
        qbsim::JournalLine l;
        l.debit = debitSide;
        l.accountId = company.findAccount(code)->id;
        l.amountCents = cents;
        e.lines.push_back(l);
    }
    company.inWriteTransaction([&] {
        company.post(e);
        return true;
    });
}

const std::string kSound = file(
    {"Q", H("1001"), D("1000", "107.00"), D("4000", "0", "-100.00"), D("2100", "0", "-7.00"), "TRT    1"});

TEST(CheckBeforeImport, EachVerdictIsWhatTheImportThenDoes) {
    const std::vector<std::string> good = {"Walk-in Customer", "Main Supplier", "State Tax Agency"};
    // clang-format off
    const Day days[] = {
        {"the refusals of QuickBooks and of the import", good, {}, kSound,
         kSound +
         file({"Q", H("1002"), D("1000", "50.00"), D("4000", "0", "-40.00"), "TRT    1",
               "Q", H("1003"), D("1000", "10.00"), D("6400", "0", "-10.00"), "TRT    1",
               "Q", H("1004", "13/45/26"), D("1000", "5.00"), D("4000", "0", "-5.00"), "TRT    1",
               "Q", H("1005"), D("1000", "0"), D("4000", "0", "0"), "TRT    1",
               "Q", H("1006"), "TRT    1",
               "Q", H("1007"), D("1200", "25.00"), D("4000", "0", "-25.00"), "TRT    1",
               "Q", H("1008"), D("1000", "4.00"), D("4000", "0", "-4.00"), "TRT    1",
               "X stray line", "Q", H("1009"), D("1000", "1.00"), D("4000", "0", "-1.00"), "TRT    1"}),
         {{"1001", Outcome::AlreadyThere, {}, "holds it already"},
          {"1002", Outcome::Refused, Kind::Balance, "debits 50.00, credits 40.00"},
          {"1003", Outcome::Refused, Kind::Account, "account code 6400"},
          {"1004", Outcome::NotSent, {}, "13/45/26"},
          {"1005", Outcome::NotSent, {}, "zero"},
          {"1006", Outcome::NoLines},
          {"1007", Outcome::Posted},
          {"1008", Outcome::Posted},
          {"1009", Outcome::NotReached, {}, "never reaches it"}}},
        {"names unknown, of the wrong kind, or missing",
         {"Nobody Known", "Walk-in Customer", ""}, {}, "",
         file({"Q", H("2001"), D("1200", "25.00"), D("4000", "0", "-25.00"), "TRT    1",
               "Q", H("2002"), D("6100", "12.00"), D("2000", "0", "-12.00"), "TRT    1",
               "Q", H("2003"), D("1000", "10.70"), D("4000", "0", "-10.00"), D("2100", "0", "-0.70"), "TRT    1",
               "Q", H("2004"), D("6100", "12.00"), D("1000", "0", "-12.00"), "TRT    1"}),
         {{"2001", Outcome::Refused, Kind::Entity, "A/R Import Account \"Nobody Known\""},
          {"2002", Outcome::Refused, Kind::NameRequired, "is a customer"},
          {"2003", Outcome::Refused, Kind::NameRequired, "Sales Tax Account is empty"},
          {"2004", Outcome::Posted}}},
        // QuickBooks finds an account by its name before its number; the import's name rule
        // goes by the number alone.
        {"a code that is one account's number and another's name", good,
         {{"6900", "1200", "Expense", ""}, {"1250", "6150", "AccountsReceivable", ""}}, "",
         file({"Q", H("3001"), D("1200", "8.00"), D("1000", "0", "-8.00"), "TRT    1",
               "Q", H("3002"), D("6150", "8.00"), D("1000", "0", "-8.00"), "TRT    1"}),
         {{"3001", Outcome::Posted},
          {"3002", Outcome::Refused, Kind::NameRequired, "the import names none"}}},
        {"the duplicate guard switched off", good, {}, kSound, kSound,
         {{"1001", Outcome::Posted}}, true},
        // An entry QuickBooks cannot read closes the run's connection.
        {"an entry QuickBooks cannot read", good, {}, "",
         file({"Q", H("7001"), D("1000", "2.00"), D("4000", "0", "-2.00"), "TRT    1",
               "Q", H("7002"), D("10\x01" "0", "2.00"), D("4000", "0", "-2.00"), "TRT    1",
               "Q", H("7003"), D("1000", "2.00"), D("4000", "0", "-2.00"), "TRT    1",
               "Q", H("7004", "99/99/99"), D("1000", "2.00"), D("4000", "0", "-2.00"), "TRT    1"}),
         {{"7001", Outcome::Posted},
          {"7002", Outcome::Refused, Kind::Unreadable, "cannot read its entry"},
          {"7003", Outcome::NotSent, {}, "nothing after invoice 7002"},
          {"7004", Outcome::NotSent, {}, "99/99/99"}}},
        // The walk never reads the file's last line as a transaction.
        {"a transaction without lines as the file's last line", good, {}, "",
         file({"Q", H("6000"), D("1000", "3.00"), D("4000", "0", "-3.00"), H("6001")}),
         {{"6000", Outcome::Posted}, {"6001", Outcome::NoLines, {}, "no lines"}}},
        // The first day's 1001 was changed by hand after it was posted; 1010 was typed by hand.
        {"an entry changed by hand since it was posted, and one typed by hand", good, {}, kSound,
         kSound + file({"Q", H("1010"), D("1000", "9.00"), D("4000", "0", "-9.00"), "TRT    1"}),
         {{"1001", Outcome::Changed, {}, "changed by hand since an import posted it (TxnID "},
          {"1010", Outcome::Posted, {}, "was not made by an import: the import posts this transaction beside it"}},
         false,
         [](qbsim::Company& c) {
             // 2.00 more on the debit and on the sales line, wherever the sort put them.
             const qbsim::JournalEntry e = c.journal().front();
             std::vector<std::pair<std::size_t, std::int64_t>> amounts;
             for (std::size_t i = 0; i < e.lines.size(); ++i)
                 if (e.lines[i].debit || e.lines[i].amountCents == 10000)
                     amounts.push_back({i, e.lines[i].amountCents + 200});
             c.changeLineAmounts(e.txnId, amounts);
             typeEntry(c, "1010", "1000", "4000", 900);
         }},
        {"a file that does not begin with a Q line", good, {}, "",
         file({H("5001"), D("1000", "1.00"), D("4000", "0", "-1.00"), "TRT    1"}),
         {{"5001", Outcome::NotReached, {}, "does not begin with a Q line"}}},
    };
    // clang-format on
    int dayNumber = 0;
    for (const Day& day : days) {
        SCOPED_TRACE(day.name);
        ScratchDir dir("check" + std::to_string(++dayNumber));
        const std::filesystem::path companyFile = dir.path() / "Check.qbw";
        {
            auto company = qbsim::Company::create(companyFile);
            qbsim::addSampleCompany(company);
            for (const auto& a : day.extraAccounts) company.addAccount(a);
        }
        qbsim::SimProcessorFactory quickBooks(companyFile);
        RecordingPrompter prompter;
        MemorySettingsStore settings;
        FixedClock clock{{2026, 12, 5, 23, 30, 0}};
        Program p;
        p.prompter = &prompter;
        p.settings = &settings;
        p.clock = &clock;
        p.processors = &quickBooks;
        p.installFolder = dir.path();
        p.settingsSection = kSection;
        settings.set(kSettingsApp, kSection, "ARImportAccount", day.ar_vendor_tax[0]);
        settings.set(kSettingsApp, kSection, "VendorImportAccount", day.ar_vendor_tax[1]);
        settings.set(kSettingsApp, kSection, "TaxImportAccount", day.ar_vendor_tax[2]);
        if (day.duplicateCheckOff) settings.set(kSettingsApp, kSection, "DuplicateCheck", "off");

        if (!day.postedBefore.empty()) {
            std::filesystem::create_directory(dir.path() / "before");
            importFile(p, dir.file("before/X390.QB", day.postedBefore).string());
        }
        if (day.meanwhile) {
            auto company = qbsim::Company::open(companyFile);
            day.meanwhile(company);
        }
        std::filesystem::create_directory(dir.path() / "day");
        const std::string totals = dir.file("day/X390.QB", day.totals).string();

        ChartReading chart;
        {
            clsZTL loader(p);
            loader.LoadQbCoa();
            ASSERT_FALSE(loader.cZTLError);
            chart.chart = loader.chart();
        }
        const size_t shownBefore = prompter.shown.size();
        TotalsCheck check = checkBeforeImport(p, "", totals, chart);
        EXPECT_EQ(prompter.shown.size(), shownBefore) << "the check shows no message";
        EXPECT_EQ(check.incomplete, "");

        const auto before = postedRefs(companyFile);
        const RunRecord run = importFile(p, totals);
        const auto after = postedRefs(companyFile);
        const auto status = loggedStatus(readWholeFile(dir.path() / "day" / "QBImport.log"));

        ASSERT_EQ(check.transactions.size(), day.expected.size());
        for (size_t i = 0; i < day.expected.size(); ++i) {
            const Expected& want = day.expected[i];
            const TransactionVerdict& v = check.transactions[i];
            SCOPED_TRACE(want.ref + ": " + v.reason);
            EXPECT_EQ(v.refNumber, want.ref);
            EXPECT_EQ(v.outcome, want.outcome);
            EXPECT_NE((v.reason + v.warning).find(want.reasonPart), std::string::npos) << v.warning;
            // The import's outcome for the same transaction.
            const int newlyPosted = (after.count(want.ref) ? after.at(want.ref) : 0) -
                                    (before.count(want.ref) ? before.at(want.ref) : 0);
            EXPECT_EQ(newlyPosted == 1, !v.flagged());
            EXPECT_LE(newlyPosted, 1);
            const std::string logged = status.count(want.ref) ? status.at(want.ref) : "";
            switch (v.outcome) {
                case Outcome::Posted:
                    EXPECT_EQ(logged, "0");
                    break;
                case Outcome::AlreadyThere:
                    EXPECT_EQ(logged, "already");
                    break;
                case Outcome::Changed: {
                    EXPECT_EQ(logged, "changed " + v.txnId) << "the log names the entry the check named";
                    auto r = std::find_if(run.transactions.begin(), run.transactions.end(),
                                          [&](const TransactionRecord& t) { return t.referenceNumber == want.ref; });
                    ASSERT_NE(r, run.transactions.end());
                    EXPECT_EQ(r->outcome, TransactionRecord::Outcome::AlreadyThere) << "counted as in QuickBooks";
                    EXPECT_TRUE(r->changedInQuickBooks);
                    break;
                }
                case Outcome::Refused:
                    ASSERT_TRUE(v.refusal);
                    EXPECT_EQ(v.refusal->kind, want.refusal);
                    if (v.refusal->kind == Kind::Unreadable)
                        EXPECT_EQ(logged, "") << "QuickBooks gave no answer to log";
                    else
                        EXPECT_EQ(logged, std::to_string(v.refusal->statusCode)) << "QuickBooks' own answer";
                    break;
                default:
                    EXPECT_EQ(logged, "") << "nothing was sent";
            }
        }
        EXPECT_EQ(check.flaggedCount(),
                  std::count_if(day.expected.begin(), day.expected.end(),
                                [](const Expected& e) { return e.outcome != Outcome::Posted; }));
    }
}

TEST(CheckBeforeImport, TheCountLineTellsHeldFromRefusedAndNeverCallsTheUnjudgedPosted) {
    TotalsCheck c;
    c.transactions.resize(9);
    EXPECT_EQ(c.summary(), "All 9 transactions will be posted.");
    EXPECT_TRUE(c.allClear());
    c.transactions[2].outcome = Outcome::Refused;
    c.transactions[5].outcome = Outcome::NoLines;
    c.transactions[8].outcome = Outcome::AlreadyThere;
    EXPECT_EQ(c.summary(), "2 of 9 transactions will not be posted; 6 will be posted; 1 already in QuickBooks.");
    EXPECT_FALSE(c.allClear());
    c.incomplete = "QuickBooks' chart of accounts could not be read.";
    for (auto& t : c.transactions)
        if (t.outcome == Outcome::Posted) t.outcome = Outcome::Unchecked;
    EXPECT_EQ(c.summary(),
              "2 of 9 transactions will not be posted; 1 already in QuickBooks; 6 could not be judged. The check "
              "is incomplete: QuickBooks' chart of accounts could not be read.");

    // A day QuickBooks holds in part: the good outcome, nothing to mend.
    TotalsCheck part;
    part.transactions.resize(7);
    for (int i = 1; i < 7; ++i) part.transactions[i].outcome = Outcome::AlreadyThere;
    EXPECT_EQ(part.summary(), "1 will be posted; 6 already in QuickBooks.");
    EXPECT_TRUE(part.allClear());
    part.transactions[3].outcome = Outcome::Changed;
    EXPECT_EQ(part.summary(), "1 of 7 transactions will not be posted; 1 will be posted; 5 already in QuickBooks.");
    EXPECT_FALSE(part.allClear());
}

// QuickBooks not reached, or the wait for its answer cancelled: every finding that needs no
// answer from it is still made, and no transaction is said to be posted.
TEST(CheckBeforeImport, AQuickBooksThatCannotBeAskedKeepsTheFindingsThatNeedNoAnswer) {
    ScratchDir dir("check-unasked");
    const std::string totals = dir.file("X390.QB", kSound + file({
        "Q", H("2002"), D("6100", "12.00"), D("2000", "0", "-12.00"), "TRT    1",
        "Q", H("1002"), D("1000", "50.00"), D("4000", "0", "-40.00"), "TRT    1",
        "Q", H("1003"), D("1000", "10.00"), D("6400", "0", "-10.00"), "TRT    1",
        "Q", H("1005"), D("1000", "0"), D("4000", "0", "0"), "TRT    1"})).string();
    std::string chart;
    {
        auto company = qbsim::Company::create(dir.path() / "Shown.qbw");
        qbsim::addSampleCompany(company);
        chart = qbsim::answerRequest(company, accountQueryRequest());
    }
    CheckInput input;
    input.day = readTotalsFile(totals);
    input.names = {"Walk-in Customer", "", "State Tax Agency"};  // the vendor field is empty

    struct Way {
        const char* what;
        std::function<TotalsCheck(const std::string& chart)> check;
    };
    const Way ways[] = {
        {"QuickBooks not running",
         [&](const std::string& shown) {
             qbsim::SimProcessorFactory nothingRunning(std::nullopt);
             RecordingPrompter prompter;
             MemorySettingsStore settings;
             Program p;
             p.prompter = &prompter;
             p.settings = &settings;
             p.processors = &nothingRunning;
             p.settingsSection = kSection;
             settings.set(kSettingsApp, kSection, "ARImportAccount", input.names.receivables);
             settings.set(kSettingsApp, kSection, "TaxImportAccount", input.names.salesTax);
             TotalsCheck c = checkBeforeImport(p, "", totals, shown.empty() ? ChartReading{} : readChart(shown));
             EXPECT_TRUE(prompter.shown.empty());
             return c;
         }},
        {"the wait cancelled",
         [&](const std::string& shown) {
             CheckInput in = input;
             in.chart = shown.empty() ? ChartReading{} : readChart(shown);
             return checkTotals(in, [](const std::string&) -> std::string {
                 throw VbError{vb::kDialogCancelled, "QuickBooks", "The wait for QuickBooks was cancelled."};
             });
         }},
    };
    for (const Way& way : ways) {
        SCOPED_TRACE(way.what);
        // With the chart the window shows: the account fields and codes are judged too.
        TotalsCheck c = way.check(chart);
        ASSERT_EQ(c.transactions.size(), 5u);
        std::map<std::string, const TransactionVerdict*> v;
        for (const auto& t : c.transactions) v[t.refNumber] = &t;
        EXPECT_EQ(v["1001"]->outcome, Outcome::Unchecked);
        EXPECT_FALSE(v["1001"]->flagged()) << "no mark says it will not be posted";
        EXPECT_EQ(v["2002"]->outcome, Outcome::Refused);
        EXPECT_NE(v["2002"]->reason.find("needs a vendor: the Vendor Import Account is empty"), std::string::npos)
            << v["2002"]->reason;
        EXPECT_EQ(v["1002"]->outcome, Outcome::Refused);
        EXPECT_NE(v["1002"]->reason.find("debits 50.00, credits 40.00"), std::string::npos);
        EXPECT_EQ(v["1003"]->outcome, Outcome::Refused);
        EXPECT_NE(v["1003"]->reason.find("account code 6400"), std::string::npos);
        EXPECT_EQ(v["1005"]->outcome, Outcome::NotSent);
        EXPECT_EQ(c.summary().find("will be posted"), std::string::npos) << c.summary();
        EXPECT_EQ(c.summary().substr(0, c.summary().find(" The check is incomplete: QuickBooks ")),
                  "4 of 5 transactions will not be posted; 1 could not be judged.");
        EXPECT_FALSE(c.allClear());

        // Without a chart only the balance and what the import itself refuses are known.
        TotalsCheck bare = way.check("");
        ASSERT_EQ(bare.transactions.size(), 5u);
        EXPECT_EQ(bare.transactions[2].outcome, Outcome::Refused);
        EXPECT_EQ(bare.transactions[4].outcome, Outcome::NotSent);
        EXPECT_EQ(bare.summary(),
                  "2 of 5 transactions will not be posted; 3 could not be judged. The check is incomplete: "
                  "QuickBooks' chart of accounts could not be read.");
    }
}

// Entries the import never writes (it always writes a short RefNumber, two decimals, debits
// first, its own markup), judged as the simulated company answers them.
TEST(EntryJudge, AgreesWithTheCompanyOnEntriesTheImportNeverWrites) {
    ScratchDir dir("judge");
    auto company = qbsim::Company::create(dir.path() / "Judge.qbw");
    qbsim::addSampleCompany(company);
    const CompanyChart chart = CompanyChart::fromAnswer(qbsim::answerRequest(
        company,
        "<?xml version=\"1.0\" ?>\r\n<!DOCTYPE QBXML PUBLIC '-//INTUIT//DTD QBXML QBD 1.0//EN'>\r\n"
        "<QBXML><QBXMLMsgsRq onError=\"stopOnError\"><AccountQueryRq requestID=\"1\"/></QBXMLMsgsRq>"
        "</QBXML>"));
    const NameList names = readEntityQuery(
        qbsim::answerRequest(company, entityQueryRequest({"walk-in customer ", "Main Supplier"})));
    ASSERT_EQ(names.names().size(), 2u);

    // Each case is one entry, written as a request for the company and typed for the judge.
    struct Line {
        bool debit;
        std::string account, amount, entity;
    };
    struct Entry {
        std::optional<std::string> date = "2026-12-05", ref = "1";
        std::vector<Line> lines;
    };
    auto text = [](const Entry& e) {
        std::string body;
        if (e.date) body += "<TxnDate>" + *e.date + "</TxnDate>";
        if (e.ref) body += "<RefNumber>" + *e.ref + "</RefNumber>";
        for (const Line& l : e.lines) {
            const std::string tag = l.debit ? "JournalDebitLine" : "JournalCreditLine";
            body += "<" + tag + "><AccountRef><FullName>" + l.account + "</FullName></AccountRef><Amount>" +
                    l.amount + "</Amount>" +
                    (l.entity.empty() ? "" : "<EntityRef><FullName>" + l.entity + "</FullName></EntityRef>") + "</" +
                    tag + ">";
        }
        return "<?xml version =\"1.0\" ?>\r\n<!DOCTYPE QBXML PUBLIC '-//INTUIT//DTD QBXML QBD 1.0//EN'>\r\n"
               "<QBXML><QBXMLMsgsRq onError=\"stopOnError\"><JournalEntryAddRq "
               "requestID=\"1\"><JournalEntryAdd>" +
               body + "</JournalEntryAdd></JournalEntryAddRq></QBXMLMsgsRq></QBXML>";
    };
    auto typed = [](const Entry& e) {
        StoreTransaction t{e.ref.value_or(""), e.date.value_or(""), {}};
        for (const Line& l : e.lines) {
            EntryLine line;
            line.debit = l.debit;
            line.account = l.account;
            line.amountText = l.amount;
            line.entity = l.entity;
            t.lines.push_back(line);
        }
        return t;
    };
    const std::vector<Line> balanced = {{true, "1000", "5.00"}, {false, "4000", "5.00"}};
    auto with = [&](std::vector<Line> lines) { return Entry{.lines = std::move(lines)}; };
    Entry longRef = with(balanced);
    longRef.date.reset();
    longRef.ref = "123456789012";
    Entry badDate = with(balanced);
    badDate.date = "2026-02-30";
    badDate.ref.reset();
    Entry noDate = with(balanced);
    noDate.date.reset();
    noDate.ref.reset();
    struct Case {
        const char* what;
        Entry entry;
        std::optional<Kind> refusal;
    };
    // clang-format off
    const Case cases[] = {
        {"balanced", with(balanced), {}},
        {"a RefNumber of twelve characters", longRef, Kind::RefNumber},
        {"a date the calendar lacks", badDate, Kind::Date},
        {"no date at all", noDate, {}},
        {"an amount with one decimal", with({{true, "1000", "5.0"}, {false, "4000", "5.00"}}), Kind::Amount},
        {"an amount of thirteen digits", with({{true, "1000", "1234567890123.00"}, {false, "4000", "1234567890123.00"}}), Kind::Amount},
        {"an account by its name, in another case", with({{true, " checking ", "5.00"}, {false, "4000", "5.00"}}), {}},
        {"a customer by name on receivables", with({{true, "1200", "5.00", "WALK-IN CUSTOMER"}, {false, "4000", "5.00"}}), {}},
        {"a vendor on receivables", with({{true, "1200", "5.00", "Main Supplier"}, {false, "4000", "5.00"}}), Kind::NameRequired},
        {"a name on a line that needs none", with({{true, "1000", "5.00", "Main Supplier"}, {false, "4000", "5.00"}}), {}},
        {"the account refused before the amount", with({{true, "9999", "x"}, {false, "4000", "5.00"}}), Kind::Account},
        {"an unknown name before the balance", with({{true, "1000", "6.00", "Nobody"}, {false, "4000", "5.00"}}), Kind::Entity},
        {"no lines", with({}), Kind::Empty},
        {"a debit after a credit", with({{false, "4000", "5.00"}, {true, "1000", "5.00"}}), Kind::Unreadable},
        {"a control character", with({{true, "10\x01" "0", "5.00"}, {false, "4000", "5.00"}}), Kind::Unreadable},
    };
    // clang-format on
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string request = text(c.entry);
        auto verdict = judgeJournalEntry(typed(c.entry), request, chart, names);
        ASSERT_EQ(verdict.has_value(), c.refusal.has_value()) << (verdict ? verdict->value : "");
        if (verdict) {
            EXPECT_EQ(verdict->kind, *c.refusal);
        }
        const size_t posted = company.journal().size();
        std::string answer;
        try {
            answer = qbsim::answerRequest(company, request);
        } catch (const qbsim::RequestParseError&) {
            EXPECT_EQ(c.refusal, Kind::Unreadable);
            continue;
        }
        EXPECT_EQ(company.journal().size(), posted + (verdict ? 0 : 1));
        const std::string code = verdict ? std::to_string(verdict->statusCode) : "0";
        EXPECT_NE(answer.find("statusCode=\"" + code + "\""), std::string::npos) << answer;
    }
}

}  // namespace
}  // namespace ztl::test
