// The qbsim program, run as the operator runs it.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <fstream>

#include "request_text.h"

namespace {

struct Run {
    int status;
    std::string out;  // standard output and standard error together
};

std::string shellQuoted(const std::string& s) {
    std::string q = "'";
    for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

Run run(const std::string& args) {
    std::string cmd = shellQuoted(QBSIM_PROGRAM) + " " + args + " 2>&1";
    Run r{-1, {}};
    FILE* p = popen(cmd.c_str(), "r");
    if (!p) return r;
    char buf[4096];
    std::size_t n;
    while ((n = fread(buf, 1, sizeof buf, p)) > 0) r.out.append(buf, n);
    int st = pclose(p);
    r.status = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
    return r;
}

void write(const std::filesystem::path& p, const std::string& text) {
    std::ofstream(p, std::ios::binary) << text;
}

}  // namespace

TEST(QbsimProgram, MakeACompanyPostAnEntryAndReadTheJournal) {
    qbsim_test::TempFolder dir;
    const std::string f = shellQuoted((dir / "demo.qbw").string());
    auto created = run("new " + f + " --sample");
    ASSERT_EQ(created.status, 0) << created.out;

    auto again = run("new " + f);
    EXPECT_EQ(again.status, 1);
    EXPECT_NE(again.out.find("already exists"), std::string::npos) << again.out;

    EXPECT_EQ(run("add-account " + f + " --number 6400 --name 'Bank Charges' --type expense").status, 0);
    auto dup = run("add-account " + f + " --number 6401 --name 'bank charges ' --type Expense");
    EXPECT_EQ(dup.status, 1);
    EXPECT_NE(dup.out.find("already exists"), std::string::npos) << dup.out;
    auto badType = run("add-account " + f + " --number 6500 --name Fees --type Costs");
    EXPECT_EQ(badType.status, 1);
    EXPECT_NE(badType.out.find("OtherCurrentLiability"), std::string::npos) << badType.out;
    EXPECT_EQ(run("add-customer " + f + " 'Mrs Smith'").status, 0);
    EXPECT_EQ(run("add-vendor " + f + " 'Paper Co'").status, 0);
    auto clash = run("add-vendor " + f + " 'mrs smith'");
    EXPECT_EQ(clash.status, 1);
    EXPECT_NE(clash.out.find("already used by a customer"), std::string::npos) << clash.out;

    auto accounts = run("accounts " + f);
    EXPECT_EQ(accounts.status, 0);
    for (const char* want :
         {"1000", "Checking", "Accounts Receivable", "2000", "Sales Tax Payable", "4000", "4100", "5000",
          "6100", "6400", "Bank Charges", "Expense", "Mrs Smith", "Paper Co", "State Tax Agency"})
        EXPECT_NE(accounts.out.find(want), std::string::npos) << want << "\n" << accounts.out;

    write(dir / "je.xml", qbsim_test::journalEntryRequest("004711", "2006-12-05",
                                                          {{"1000", "0000107.00"},
                                                           {"4000", "-0000100.00"},
                                                           {"2100", "-0000007.00", "State Tax Agency"}}));
    auto posted = run("process " + f + " " + shellQuoted((dir / "je.xml").string()));
    EXPECT_EQ(posted.status, 0) << posted.out;
    EXPECT_NE(posted.out.find("statusMessage=\"Status OK\""), std::string::npos) << posted.out;

    auto tsv = run("journal " + f + " --tsv");
    EXPECT_EQ(tsv.status, 0);
    EXPECT_EQ(tsv.out,
              "1\t2006-12-05\t004711\tDebit\tChecking\t107.00\t\n"
              "1\t2006-12-05\t004711\tCredit\tMerchandise Sales\t100.00\t\n"
              "1\t2006-12-05\t004711\tCredit\tSales Tax Payable\t7.00\tState Tax Agency\n");
    auto human = run("journal " + f);
    EXPECT_NE(human.out.find("#1  2006-12-05  Ref 004711"), std::string::npos) << human.out;

    // A refusal is a response (exit 0); a request that does not parse is an error (exit 1).
    write(dir / "bad.xml",
          qbsim_test::journalEntryRequest("9", "2006-12-05", {{"1000", "5.00"}, {"4000", "-4.00"}}));
    auto refused = run("process " + f + " " + shellQuoted((dir / "bad.xml").string()));
    EXPECT_EQ(refused.status, 0);
    EXPECT_NE(refused.out.find("statusCode=\"3180\""), std::string::npos) << refused.out;
    write(dir / "junk.xml", "<QBXML><oops>");
    auto junk = run("process " + f + " " + shellQuoted((dir / "junk.xml").string()));
    EXPECT_EQ(junk.status, 1);
    EXPECT_NE(junk.out.find("0x80040400"), std::string::npos) << junk.out;
    EXPECT_NE(junk.out.find("QuickBooks found an error when parsing the provided XML text stream."),
              std::string::npos);
    EXPECT_EQ(run("journal " + f + " --tsv").out, tsv.out);  // nothing more stored
}

TEST(QbsimProgram, BadUseIsReportedClearly) {
    qbsim_test::TempFolder dir;
    const std::string missing = shellQuoted((dir / "missing.qbw").string());
    const std::pair<std::string, std::pair<int, const char*>> cases[] = {
        {"", {2, "usage"}},
        {"frobnicate", {2, "unknown command"}},
        {"new", {2, "no company file"}},
        {"accounts " + missing, {1, "does not exist"}},
        {"journal " + missing + " --csv", {2, "unexpected argument"}},
        {"add-account " + missing + " --name X", {2, "--name and --type are required"}},
        {"add-customer " + missing, {2, "expected FILE NAME"}},
        {"process " + missing + " /nonexistent.xml", {1, "cannot read"}},
        {"accounts /etc/hostname", {1, "not a simulated company file"}},
    };
    for (const auto& [args, want] : cases) {
        SCOPED_TRACE(args);
        auto r = run(args);
        EXPECT_EQ(r.status, want.first) << r.out;
        EXPECT_NE(r.out.find(want.second), std::string::npos) << r.out;
    }
    EXPECT_FALSE(std::filesystem::exists(dir / "missing.qbw"));
}

TEST(QbsimProgram, TwoProcessesPostingToOneFileLoseNothing) {
    qbsim_test::TempFolder dir;
    const std::string f = shellQuoted((dir / "c.qbw").string());
    ASSERT_EQ(run("new " + f + " --sample").status, 0);
    write(dir / "je.xml",
          qbsim_test::journalEntryRequest("P", "2006-12-05", {{"1000", "2.00"}, {"4000", "-2.00"}}));
    const std::string one = shellQuoted(QBSIM_PROGRAM) + " process " + f + " " +
                            shellQuoted((dir / "je.xml").string()) + " >/dev/null || echo FAILED";
    const std::string loop = "for i in 1 2 3 4 5 6 7 8 9 10 11 12; do " + one + "; done";
    std::string script = "(" + loop + ") & (" + loop + ") & wait";
    FILE* p = popen(("sh -c " + shellQuoted(script) + " 2>&1").c_str(), "r");
    ASSERT_NE(p, nullptr);
    std::string out;
    char buf[512];
    std::size_t n;
    while ((n = fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
    pclose(p);
    EXPECT_EQ(out.find("FAILED"), std::string::npos) << out;
    auto tsv = run("journal " + f + " --tsv").out;
    EXPECT_EQ(std::count(tsv.begin(), tsv.end(), '\n'), 48);
    EXPECT_NE(tsv.find("24\t2006-12-05\tP\tCredit"), std::string::npos);
    EXPECT_NE(run("accounts " + f).out.find("48.00"), std::string::npos);
}
