// Reconciling a day with the entries QuickBooks holds, and reading back what an import log
// records as posted: the verdicts the operator acts on.
#include <gtest/gtest.h>

#include "engine/company/import_log.h"
#include "engine/posting/entry_differences.h"
#include "engine/review/reconcile.h"
#include "engine/review/undo_log.h"
#include "written_log.h"

using namespace ztl;
using ztl::test::postedBlock;
using ztl::test::writtenLog;

namespace {

const CompanyChart kChart({{"80000001-1", "Checking", "1000", "Bank"},
                              {"80000002-1", "Merchandise Sales", "4000", "Income"},
                              {"80000003-1", "Service Income", "4100", "Income"},
                              {"80000004-1", "Accounts Receivable", "1200", "AccountsReceivable"}});

EntryLine line(bool debit, std::string account, std::int64_t cents, std::string memo = " Korvane Import ",
               std::string entity = "") {
    return {debit, "", std::move(account), cents, std::move(memo), std::move(entity)};
}

// The store's transaction names accounts by number, as the request does.
DayTransaction sale(const std::string& ref, std::int64_t cents) {
    DayTransaction d;
    d.referenceNumber = ref;
    d.transaction =
        StoreTransaction{ref, "2026-12-05", {line(true, " 1000", cents), line(false, " 4000", cents)}};
    return d;
}

// QuickBooks answers with full names.
PostedEntry entry(const std::string& id, const std::string& ref, std::vector<EntryLine> lines,
                  const std::string& date = "2026-12-05") {
    PostedEntry e;
    e.txnId = id;
    e.timeCreated = e.timeModified = "2026-12-05T20:00:0" + id + "+00:00";
    e.txnNumber = id;
    e.txnDate = date;
    e.refNumber = ref;
    e.lines = std::move(lines);
    return e;
}

PostedEntry saleEntry(const std::string& id, const std::string& ref, std::int64_t cents) {
    return entry(id, ref, {line(true, "Checking", cents), line(false, "Merchandise Sales", cents)});
}

}  // namespace

TEST(Reconcile, EachTransactionGetsTheVerdictOfWhatQuickBooksHolds) {
    struct Case {
        const char* why;
        std::vector<DayTransaction> day;
        std::vector<PostedEntry> entries;
        std::vector<std::string> lines;  // without the summary
        bool once;
    } cases[] = {
        {"every transaction once",
         {sale("A1", 500), sale("A2", 900)},
         {saleEntry("2", "a2", 900), saleEntry("1", "A1", 500)},
         {"A1: posted", "A2: posted"},
         true},
        {"refused by QuickBooks: nothing holds it",
         {sale("A1", 500), sale("A2", 900)},
         {saleEntry("1", "A1", 500)},
         {"A1: posted", "A2: not posted"},
         false},
        {"two identical transactions need two entries",
         {sale("A1", 500), sale("A1", 500)},
         {saleEntry("1", "A1", 500), saleEntry("2", "A1", 500)},
         {"A1: posted", "A1: posted"},
         true},
        {"posted twice",
         {sale("A1", 500)},
         {saleEntry("1", "A1", 500), saleEntry("2", "A1", 500), saleEntry("3", "A1", 500)},
         {"A1: posted 3 times"},
         false},
        {"an amount changed in the company",
         {sale("A1", 500)},
         {saleEntry("1", "A1", 750)},
         {"A1: differs (QuickBooks entry TxnID 1; amount of debit Checking: 5.00 in the file, 7.50 in "
          "QuickBooks; "
          "amount of credit Merchandise Sales: 5.00 in the file, 7.50 in QuickBooks)"},
         false},
        {"an account changed",
         {sale("A1", 500)},
         {entry("1", "A1", {line(true, "Checking", 500), line(false, "Service Income", 500)})},
         {"A1: differs (QuickBooks entry TxnID 1; account of credit 5.00: Merchandise Sales in the file, "
          "Service Income "
          "in QuickBooks)"},
         false},
        {"a line more and a line less",
         {sale("A1", 500)},
         {entry("1", "A1",
                {line(true, "Checking", 500), line(false, "Merchandise Sales", 300),
                 line(false, "Service Income", 200)})},
         {"A1: differs (QuickBooks entry TxnID 1; amount of credit Merchandise Sales: 5.00 in the file, 3.00 "
          "in "
          "QuickBooks; a line more in QuickBooks: credit Service Income 2.00)"},
         false},
        {"a name added",
         {sale("A1", 500)},
         {entry("1", "A1",
                {line(true, "Checking", 500, " Korvane Import ", "Walk-in"),
                 line(false, "Merchandise Sales", 500)})},
         {"A1: differs (QuickBooks entry TxnID 1; name of debit Checking 5.00: no name in the file, Walk-in "
          "in "
          "QuickBooks)"},
         false},
        {"an entry by hand with the same number is somebody else's",
         {sale("A1", 500)},
         {entry("7", "A1", {line(true, "Checking", 500, ""), line(false, "Merchandise Sales", 500, "")})},
         {"A1: not posted (QuickBooks entry TxnID 7 has this invoice number and date but is not the "
          "import's)"},
         false},
        {"another day's entry is not this transaction",
         {sale("A1", 500)},
         {entry("1", "A1", {line(true, "Checking", 500), line(false, "Merchandise Sales", 500)},
                "2026-12-04")},
         {"A1: not posted"},
         false},
        {"posted, and a changed copy beside it",
         {sale("A1", 500)},
         {saleEntry("1", "A1", 500), saleEntry("2", "A1", 600)},
         {"A1: differs (posted as the file says; also QuickBooks entry TxnID 2, changed: amount of debit Checking: 5.00 in the file, "
          "6.00 in "
          "QuickBooks; amount of credit Merchandise Sales: 5.00 in the file, 6.00 in QuickBooks)"},
         false},
    };
    for (const auto& c : cases) {
        Reconciliation r = reconcileDay(c.day, c.entries, kChart);
        std::vector<std::string> lines = r.lines();
        ASSERT_EQ(lines.size(), c.lines.size() + 1) << c.why;
        lines.pop_back();
        EXPECT_EQ(lines, c.lines) << c.why;
        EXPECT_EQ(r.postedOnceEach(), c.once) << c.why;
    }
}

TEST(Reconcile, TheSummaryCountsEveryVerdictAndATransactionTheImportCannotPostIsNamed) {
    DayTransaction zero;
    zero.referenceNumber = "A9";
    zero.unpostable = "Zero amount in first journal entry line... Import aborted !";
    Reconciliation r = reconcileDay({sale("A1", 500), sale("A2", 100), sale("A3", 100), zero},
                                    {saleEntry("1", "A1", 500), saleEntry("2", "A2", 200),
                                     saleEntry("3", "A3", 100), saleEntry("4", "A3", 100)},
                                    kChart);
    auto lines = r.lines();
    ASSERT_EQ(lines.size(), 5u);
    EXPECT_EQ(lines[3],
              "A9: not posted (the import cannot post it: Zero amount in first journal entry line... Import "
              "aborted !)");
    EXPECT_EQ(lines[4],
              "4 transactions: 1 posted, 1 not posted, 1 differs, 1 posted more than once - QuickBooks does "
              "not hold the day as the file says.");
    EXPECT_FALSE(reconcileDay({}, {}, kChart).postedOnceEach()) << "an empty file is no posted day";
}

TEST(ImportLogRecord, NamesTheEntriesItsRunPostedThoseItFoundAndThoseAnUndoRemoved) {
    std::string log = writtenLog({
        postedBlock(1, "4711", "1-100"),
        importlog::alreadyPostedBlock(2, "4712", "9-90"),
        importlog::answerBlock(3, "4713", {}, "3140", "Error", "There is an invalid reference", ""),
        // A second copy of the first transaction, found as this run's own entry: still the run's.
        importlog::alreadyPostedBlock(4, "4714", "1-100"),
        importlog::answerBlock(5, "4715", {importlog::otherEntryLine("5-50")}, "0", "Info", "Status OK", "2-100"),
    });
    undolog::LoggedEntry first{1, "4711", "1-100"}, fifth{5, "4715", "2-100"};
    log += std::string(importlog::kBlankLine) + "\r\n" + undolog::headingLine("12/8/2026", "8:00:00 AM") + "\r\n" +
           importlog::ruleLine() + "\r\n" + undolog::removedLine(first) + "\r\n" +
           undolog::notRemovedLine(fifth, "modified") + "\r\n";
    undolog::ImportLogRecord r = undolog::readImportLog(log);
    EXPECT_TRUE(r.isImportLog);
    ASSERT_EQ(r.entries.size(), 3u);
    EXPECT_EQ(r.entries[0].txnId, "1-100");
    EXPECT_EQ(r.entries[0].referenceNumber, "4711");
    EXPECT_TRUE(r.entries[0].postedByThisRun);
    EXPECT_EQ(r.entries[1].txnId, "9-90");
    EXPECT_FALSE(r.entries[1].postedByThisRun);
    EXPECT_EQ(r.entries[2].txnId, "2-100")
        << "the entry a block names as not the transaction is not the run's";
    EXPECT_EQ(r.entries[2].transactionNumber, 5);
    EXPECT_EQ(r.removed, (std::set<std::string>{"1-100"}));

    const std::string headless = writtenLog({postedBlock(1, "1", "1-1")});
    EXPECT_FALSE(undolog::readImportLog(headless.substr(headless.find("\r\n") + 2)).isImportLog);
    EXPECT_TRUE(undolog::readImportLog("").entries.empty());
}

// The duplicate guard's match, which the check and the import share: the import's entry
// changed by hand since, or other only in its names, is the transaction; another import's
// entry, untouched, or one typed by hand is not.
TEST(PostedEntries, AChangedEntryOfTheImportIsTheTransactionOnlyWhenNoEntryIsItAsTheFileSays) {
    auto changed = [](PostedEntry e) {
        e.timeModified = "2026-12-06T09:00:00+00:00";
        return e;
    };
    const StoreTransaction a1 = *sale("A1", 500).transaction;

    PostedEntries alone({changed(saleEntry("1", "A1", 750))}, kChart);
    PostedEntries::Match m = alone.claim(a1);
    ASSERT_NE(m.changed, nullptr);
    EXPECT_EQ(m.changed->txnId, "1");
    EXPECT_EQ(m.same, nullptr);
    EXPECT_TRUE(m.others.empty());
    EXPECT_EQ(alone.claim(a1).changed, nullptr) << "claimed once";

    // Never changed in QuickBooks, other only in the customer's name (the setting that names
    // it changed since): still the import's entry of the transaction.
    PostedEntry renamed = saleEntry("3", "A1", 500);
    for (EntryLine& l : renamed.lines) l.entity = "Former Customer";
    PostedEntries untouched({renamed}, kChart);
    m = untouched.claim(a1);
    ASSERT_NE(m.changed, nullptr);
    EXPECT_EQ(m.changed->txnId, "3");

    // Two identical transactions, the first posted entry changed: each gets its own.
    PostedEntries two({changed(saleEntry("1", "A1", 750)), saleEntry("2", "A1", 500)}, kChart);
    m = two.claim(a1);
    ASSERT_NE(m.same, nullptr);
    EXPECT_EQ(m.same->txnId, "2") << "the entry as the file says goes first";
    ASSERT_EQ(m.others.size(), 1u);
    m = two.claim(a1);
    ASSERT_NE(m.changed, nullptr);
    EXPECT_EQ(m.changed->txnId, "1");

    struct NotIt {
        const char* why;
        PostedEntry entry;
    } notIt[] = {
        {"another import's entry, never changed", saleEntry("3", "A1", 750)},
        {"typed by hand, and changed",
         changed(entry("4", "A1", {line(true, "Checking", 750, ""), line(false, "Merchandise Sales", 750, "")}))},
        {"changed, of another day", changed(entry("5", "A1",
                                                  {line(true, "Checking", 750), line(false, "Merchandise Sales", 750)},
                                                  "2026-12-04"))},
    };
    for (const NotIt& n : notIt) {
        PostedEntries one({n.entry}, kChart);
        m = one.claim(a1);
        EXPECT_EQ(m.changed, nullptr) << n.why;
        EXPECT_EQ(m.same, nullptr) << n.why;
    }
}
