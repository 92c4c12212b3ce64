// After an import: ztl reconcile and ztl undo against a simulated company, run as an
// operator or a script runs them.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cctype>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <regex>
#include <set>
#include <sstream>
#include <vector>

#include "tests/support/shell_command.h"

namespace fs = std::filesystem;

namespace {

using Result = ztl::testsupport::CommandResult;
using ztl::testsupport::slurp;

class AfterImport : public ::testing::Test {
  protected:
    fs::path dir;

    void SetUp() override {
        dir = fs::temp_directory_path() / ("ztl_after_" + std::to_string(::getpid()) + "_" +
                                           ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir);
        fs::create_directories(dir);
        ASSERT_EQ(run(qbsim("new shop.qbw --sample")).status, 0);
        ASSERT_EQ(run(ztl("settings set ARImportAccount 'Walk-in Customer'")).status, 0);
        ASSERT_EQ(run(ztl("settings set TaxImportAccount 'State Tax Agency'")).status, 0);
    }
    void TearDown() override { fs::remove_all(dir); }

    Result run(const std::string& command) {
        // Exported, so that every program of a pipeline has them.
        std::string env = "export XDG_CONFIG_HOME='" + (dir / "config").string() + "' XDG_STATE_HOME='" +
                          (dir / "state").string() +
                          "' ZENTREL_QUICKBOOKS='sim:" + (dir / "shop.qbw").string() + "'; ";
        return ztl::testsupport::runShell("cd '" + dir.string() + "' && " + env + command, dir / "out.txt",
                                          dir / "err.txt");
    }
    static std::string ztl(const std::string& args) { return std::string(ZTL_BIN) + " " + args; }
    static std::string qbsim(const std::string& args) { return std::string(QBSIM_BIN) + " " + args; }
    void write(const std::string& name, const std::string& bytes) {
        std::ofstream(dir / name, std::ios::binary) << bytes;
    }
    // An account's balance as qbsim lists it.
    std::string balance(const std::string& name) {
        std::istringstream in(run(qbsim("accounts shop.qbw")).out);
        for (std::string line; std::getline(in, line);)
            if (line.find("  " + name + "  ") != std::string::npos)
                return line.substr(line.find_last_of(' ') + 1);
        return "?";
    }
    std::string journal() { return run(qbsim("journal shop.qbw --tsv")).out; }
    // The TxnIDs the log records as posted, in log order.
    std::vector<std::string> postedIds(const std::string& log = "QBImport.log") {
        std::vector<std::string> ids;
        std::string text = slurp(dir / log);
        std::regex id("Import result ID :([0-9A-F]+-[0-9]+)");
        for (std::sregex_iterator it(text.begin(), text.end(), id), end; it != end; ++it)
            ids.push_back((*it)[1]);
        return ids;
    }
};

std::string block(const std::string& ref, const std::string& date, const std::string& debitAccount,
                  const std::string& amount, const std::string& creditAccount = "4000") {
    char h[64], d1[64], d2[64];
    std::snprintf(h, sizeof h, "H  %-8s %-8s", ref.c_str(), date.c_str());
    std::snprintf(d1, sizeof d1, "D %-7s %12s %12s", debitAccount.c_str(), amount.c_str(), "0.00");
    std::snprintf(d2, sizeof d2, "D %-7s %12s %12s", creditAccount.c_str(), "0", ("-" + amount).c_str());
    return std::string("Q\r\n") + h + "\r\n" + d1 + "\r\n" + d2 + "\r\nTRT    1\r\n";
}

int count(const std::string& text, const std::string& what) {
    int n = 0;
    for (auto at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
    return n;
}

}  // namespace

TEST_F(AfterImport, ReconcileReportsPostedRefusedPostedTwiceAndChanged) {
    write("X390.QB", block("4711", "12/05/26", "1000", "5") + block("4712", "12/05/26", "1000", "9", "9999") +
                         block("4713", "12/05/26", "1100", "7"));
    run(ztl("import --no-archive X390.QB"));
    ASSERT_EQ(postedIds().size(), 2u);

    Result r = run(ztl("reconcile X390.QB"));
    EXPECT_EQ(r.out,
              "4711: posted\n4712: not posted\n4713: posted\n"
              "3 transactions: 2 posted, 1 not posted, 0 differ, 0 posted more than once - QuickBooks does "
              "not hold "
              "the day as the file says.\n");
    EXPECT_EQ(r.status, 1);
    // The single-store edition, with no company file of its own set, asks the one open.
    Result single = run(ztl("reconcile --single-store X390.QB"));
    EXPECT_EQ(single.out, r.out);
    EXPECT_EQ(single.status, 1);

    write("okX390.QB", block("4711", "12/05/26", "1000", "5") + block("4713", "12/05/26", "1100", "7"));
    r = run(ztl("reconcile okX390.QB"));
    EXPECT_EQ(r.status, 0) << r.out << r.err;
    EXPECT_NE(r.out.find("QuickBooks holds the day exactly as the file says."), std::string::npos);

    // Posted a second time by an import told not to ask, and the other one changed by hand.
    write("agX390.QB", block("4711", "12/05/26", "1000", "5"));
    run(ztl("import --no-archive --no-duplicate-check agX390.QB"));
    ASSERT_EQ(run(qbsim("modify-entry shop.qbw " + postedIds("agQBImport.log")[0] + " 1=6.00 2=6.00")).status,
              0);
    r = run(ztl("reconcile okX390.QB"));
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.out.find("4713: posted\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("4711: differs (posted as the file says; also QuickBooks entry TxnID " + postedIds("agQBImport.log")[0] +
                         ", changed: amount of debit "
                         "Checking: 5.00 in the file, 6.00 in QuickBooks"),
              std::string::npos)
        << "one copy as posted, one changed:\n"
        << r.out;
    write("onX390.QB", block("4713", "12/05/26", "1100", "7"));
    run(ztl("import --no-archive --no-duplicate-check onX390.QB"));
    r = run(ztl("reconcile onX390.QB"));
    EXPECT_EQ(r.out.substr(0, r.out.find('\n')), "4713: posted 2 times");

    // A query that cannot be asked is said, not taken for "not posted".
    r = run("ZENTREL_QUICKBOOKS= " + ztl("reconcile okX390.QB"));
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "");
}

TEST_F(AfterImport, UndoRemovesExactlyTheRunsEntriesAndASecondUndoNothing) {
    // One transaction is in QuickBooks before the run, from an earlier run; one entry was
    // made by hand with a number of the day.
    write("earlier.QB", block("4711", "12/05/26", "1000", "5"));
    run(ztl("import --no-archive earlier.QB"));
    write("hand.xml",
          "<?xml version=\"1.0\" ?>\r\n<?qbxml version=\"1.0\"?>\r\n<QBXML><QBXMLMsgsRq "
          "onError=\"stopOnError\">"
          "<JournalEntryAddRq><JournalEntryAdd><TxnDate>2026-12-05</TxnDate><RefNumber>4712</RefNumber>"
          "<JournalDebitLine><AccountRef><FullName>Checking</FullName></AccountRef><Amount>1.00</Amount>"
          "</JournalDebitLine><JournalCreditLine><AccountRef><FullName>Rent Expense</FullName></AccountRef>"
          "<Amount>1.00</Amount></JournalCreditLine></JournalEntryAdd></JournalEntryAddRq>"
          "</QBXMLMsgsRq></QBXML>\r\n");
    ASSERT_EQ(run(qbsim("process shop.qbw hand.xml")).status, 0);
    write("X390.QB", block("4711", "12/05/26", "1000", "5") + block("4712", "12/05/26", "1000", "9") +
                         block("4713", "12/05/26", "1100", "7"));
    run(ztl("import --no-archive X390.QB"));
    ASSERT_EQ(postedIds().size(), 2u);
    const std::string before = journal();
    ASSERT_EQ(count(before, "\tDebit\t"), 4);

    // Not confirmed: nothing goes.
    Result r = run("echo no | " + ztl("undo QBImport.log"));
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.out.find("To remove  : TxnID " + postedIds()[0] + "    Invoice : 4712    dated 2026-12-05"),
              std::string::npos)
        << r.out;
    EXPECT_NE(r.out.find("Not touched: TxnID"), std::string::npos)
        << "the earlier run's entry is listed, kept";
    EXPECT_NE(r.out.find("Type YES to remove them."), std::string::npos);
    EXPECT_EQ(journal(), before);

    r = run("echo YES | " + ztl("undo QBImport.log"));
    EXPECT_EQ(r.status, 0) << r.out << r.err;
    EXPECT_NE(r.out.find("2 removed, 0 not removed, 1 not touched"), std::string::npos) << r.out;
    const std::string after = journal();
    EXPECT_EQ(count(after, "\t4711\tDebit\t"), 1) << "the earlier run's entry stays";
    EXPECT_EQ(count(after, "\t4712\tDebit\tChecking\t1.00"), 1) << "the entry by hand stays";
    EXPECT_EQ(count(after, "\t4713\t"), 0);
    EXPECT_EQ(count(after, "\t4712\tDebit\tChecking\t9.00"), 0);
    EXPECT_EQ(balance("Petty Cash"), "0.00") << "the balances follow";
    EXPECT_EQ(balance("Checking"), "6.00") << "5.00 of the earlier run, 1.00 by hand";

    std::string log = slurp(dir / "QBImport.log");
    EXPECT_EQ(count(log, "Removed from QuickBooks : TxnID "), 2);
    EXPECT_EQ(count(log, "Import result ID :"), 2) << "the run's own lines stay as they were";
    EXPECT_EQ(count(log, "Already in QuickBooks : TxnID "), 1);

    r = run(ztl("undo --yes QBImport.log"));
    EXPECT_EQ(r.status, 0) << r.out << r.err;
    EXPECT_EQ(count(r.out, "already removed by an earlier undo"), 2) << r.out;
    EXPECT_NE(r.out.find("0 removed, 0 not removed, 3 not touched"), std::string::npos) << r.out;
    EXPECT_EQ(journal(), after);

    // The reconcile of the undone day says so.
    r = run(ztl("reconcile X390.QB"));
    EXPECT_EQ(r.out.substr(0, r.out.find("4712")), "4711: posted\n");
    EXPECT_NE(r.out.find("\n4712: not posted (QuickBooks entry TxnID 2-"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("has this invoice number and date but is not the import's)\n4713: not posted\n"),
              std::string::npos)
        << r.out;
}

TEST_F(AfterImport, UndoOfAnImportThatOnlyFoundItsDayInQuickBooksSaysWhereItsEntriesCameFrom) {
    write("X390.QB", block("4711", "12/05/26", "1000", "5"));
    ASSERT_EQ(run(ztl("import --no-archive X390.QB")).status, 0);
    ASSERT_EQ(run(ztl("import --no-archive X390.QB")).status, 0);
    const std::string before = journal();

    Result r = run(ztl("undo --yes QBImport.log"));
    EXPECT_EQ(r.status, 0) << r.out << r.err;
    EXPECT_NE(r.out.find("0 removed, 0 not removed, 1 not touched"), std::string::npos) << r.out;
    EXPECT_EQ(r.out.find("What this import posted is out of QuickBooks"), std::string::npos)
        << "the earlier run's entry is still in QuickBooks: " << r.out;
    EXPECT_NE(r.out.find("This import posted nothing itself"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("QBImport.log.1"), std::string::npos) << "names the run that posted it: " << r.out;
    EXPECT_EQ(journal(), before);
}

TEST_F(AfterImport, UndoRefusesEntriesChangedOrClosedAndSaysWhy) {
    write("X390.QB", block("4801", "12/04/26", "1000", "3") + block("4802", "12/05/26", "1000", "4") +
                         block("4803", "12/05/26", "1100", "6") + block("4804", "12/05/26", "1100", "8"));
    run(ztl("import --no-archive X390.QB"));
    auto ids = postedIds();
    ASSERT_EQ(ids.size(), 4u);
    ASSERT_EQ(run(qbsim("set-closing-date shop.qbw 2026-12-04")).status, 0);
    ASSERT_EQ(run(qbsim("modify-entry shop.qbw " + ids[1] + " 1=4.50 2=4.50")).status, 0);
    // The totals file says something else now for one transaction than what was posted.
    std::string file = slurp(dir / "X390.QB");
    write("X390.QB", file.substr(0, file.rfind("Q\r\n")) + block("4804", "12/05/26", "1100", "9"));

    Result r = run(ztl("undo --yes QBImport.log"));
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.out.find("Not removed : TxnID " + ids[0] +
                         "    Invoice : 4801 - dated on or before the company's "
                         "closing date 2026-12-04"),
              std::string::npos)
        << r.out;
    EXPECT_NE(r.out.find("Not removed : TxnID " + ids[1] +
                         "    Invoice : 4802 - modified in QuickBooks since it was "
                         "posted"),
              std::string::npos)
        << r.out;
    EXPECT_NE(r.out.find("Removed from QuickBooks : TxnID " + ids[2]), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("Not removed : TxnID " + ids[3] +
                         "    Invoice : 4804 - its lines are not the totals file's "
                         "transaction 4804"),
              std::string::npos)
        << r.out;
    EXPECT_EQ(count(journal(), "\tDebit\t"), 3);

    // With the closing date lifted, the books of that day are open again.
    ASSERT_EQ(run(qbsim("set-closing-date shop.qbw none")).status, 0);
    write("X390.QB", file);
    r = run(ztl("undo --yes QBImport.log"));
    EXPECT_NE(r.out.find("Removed from QuickBooks : TxnID " + ids[0]), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("Removed from QuickBooks : TxnID " + ids[3]), std::string::npos) << r.out;
    EXPECT_EQ(count(journal(), "\tDebit\t"), 1) << "only the changed entry stays";

    // qbsim refuses a date that is none, an amount it cannot read and a change out of balance.
    EXPECT_EQ(run(qbsim("set-closing-date shop.qbw 2026-02-30")).status, 1);
    EXPECT_EQ(run(qbsim("modify-entry shop.qbw " + ids[1] + " 1=4.5")).status, 2);
    EXPECT_EQ(run(qbsim("modify-entry shop.qbw " + ids[1] + " 1=9.00")).status, 1);
    EXPECT_EQ(count(journal(), "\tDebit\tChecking\t4.50"), 1);

    // A log that is no import log, or names none, removes nothing.
    write("other.log", "hello\r\n");
    EXPECT_EQ(run(ztl("undo --yes other.log")).status, 1);
    EXPECT_EQ(run(ztl("undo")).status, 2);
}

// A command given a totals file that is not there says so once, with the next step: the
// archives beside it, newest first, and a command that reads one. The next step is then run
// as the message words it, and must get past the missing file.
TEST_F(AfterImport, AMissingTotalsFileNamesItsArchivesAndTheCommandToRun) {
    auto archives = [&] {
        std::set<std::string> names;
        for (const auto& e : fs::directory_iterator(dir))
            if (const std::string n = e.path().filename().string(); n.starts_with("X390.QB") && n != "X390.QB")
                names.insert(n);
        return names;
    };
    // Where a file's name stands whole in a text: one archive's name can begin another's
    // ("...145" and "...145.1").
    auto named = [](const std::string& text, const std::string& name) {
        for (size_t at = text.find(name); at != std::string::npos; at = text.find(name, at + 1)) {
            const size_t end = at + name.size();
            const auto digit = [&](size_t i) { return i < text.size() && std::isdigit((unsigned char)text[i]); };
            if (!digit(end) && !(end < text.size() && text[end] == '.' && digit(end + 1))) return at;
        }
        return std::string::npos;
    };
    write("X390.QB", block("4711", "12/05/26", "1000", "5") + block("4713", "12/05/26", "1100", "7"));
    ASSERT_EQ(run(ztl("import X390.QB")).status, 0);
    const std::set<std::string> first = archives();
    ASSERT_EQ(first.size(), 1u);
    const std::string older = *first.begin();
    // The same day again: nothing new is posted, and a second archive is made.
    write("X390.QB", block("4711", "12/05/26", "1000", "5") + block("4713", "12/05/26", "1100", "7"));
    run(ztl("import X390.QB"));
    std::set<std::string> both = archives();
    ASSERT_EQ(both.size(), 2u);
    both.erase(older);
    const std::string newest = *both.begin();
    ASSERT_FALSE(fs::exists(dir / "X390.QB"));

    struct Case {
        const char* what;
        std::string command;
        std::string failure;   // said exactly once
        std::string nextStep;  // the command the message gives
        std::string followed;  // what the next step, run, shows; empty: not run
    };
    const std::vector<Case> cases = {
        {"reconcile of the archived file", "reconcile X390.QB", "X390.QB does not exist",
         "ztl reconcile " + newest, "QuickBooks holds the day exactly as the file says."},
        {"the edition is kept in the next step", "reconcile --single-store X390.QB", "X390.QB does not exist",
         "ztl reconcile --single-store " + newest, ""},
        {"a file never imported", "reconcile other.QB", "other.QB does not exist, and no archive",
         "Name the totals file or its archive: ztl reconcile FILE", ""},
        {"the table of the archived file", "totals --table X390.QB", "X390.QB does not exist",
         "ztl totals --table " + newest, "2 transactions with lines: debits 12.00, credits 12.00"},
        {"undo naming the totals file", "undo --yes --totals X390.QB QBImport.log.1", "X390.QB does not exist",
         "ztl undo --totals " + newest + " QBImport.log.1",
         "Each entry's lines were compared with the totals file " + newest + "."},
        {"undo without --totals", "undo QBImport.log.1 < /dev/null", "The totals file is not beside the log",
         "To compare each entry's lines with the day's totals file too, name it: ztl undo --totals " + newest +
             " QBImport.log.1",
         ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Result r = run(ztl(c.command));
        const std::string said = r.out + r.err;
        EXPECT_EQ(r.status, 1) << said;
        EXPECT_EQ(count(said, c.failure), 1) << said;
        EXPECT_EQ(count(said, c.nextStep), 1) << said;
        // Both archives named, the newest first; a file with none names none.
        const bool none = c.failure.find("no archive") != std::string::npos;
        EXPECT_EQ(named(said, newest) == std::string::npos, none) << said;
        EXPECT_EQ(named(said, older) == std::string::npos, none) << said;
        if (!none) EXPECT_LT(named(said, newest), named(said, older)) << said;
        if (c.followed.empty()) continue;
        const std::string step = c.nextStep.substr(c.nextStep.find("ztl ") + 4);
        // Answered "no": the undo's listing is all the next step needs to show.
        Result next = run((c.command.starts_with("undo") ? "echo no | " : "") + ztl(step));
        EXPECT_NE((next.out + next.err).find(c.followed), std::string::npos) << next.out << next.err;
        EXPECT_EQ(count(next.out + next.err, "does not exist"), 0);
    }
    EXPECT_EQ(count(journal(), "\tDebit\t"), 2) << "nothing was removed or posted twice";
}
