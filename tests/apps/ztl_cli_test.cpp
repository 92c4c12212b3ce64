// ztl and qbsim as separate programs, with their own settings and state folders.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "tests/support/free_port.h"
#include "tests/support/shell_command.h"

namespace fs = std::filesystem;

namespace {

using Result = ztl::testsupport::CommandResult;
using ztl::testsupport::slurp;

class Cli : public ::testing::Test {
  protected:
    fs::path dir;

    void SetUp() override {
        dir = fs::temp_directory_path() / ("ztl_cli_" + std::to_string(::getpid()) + "_" +
                                           ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir);
        fs::create_directories(dir);
    }
    void TearDown() override { fs::remove_all(dir); }

    // Runs a shell command with this test's own settings, state and QuickBooks.
    Result run(const std::string& command) {
        std::string env = "XDG_CONFIG_HOME='" + (dir / "config").string() + "' XDG_STATE_HOME='" +
                          (dir / "state").string() +
                          "' ZENTREL_QUICKBOOKS='sim:" + (dir / "shop.qbw").string() + "' ";
        return ztl::testsupport::runShell("cd '" + dir.string() + "' && " + env + command, dir / "out.txt",
                                          dir / "err.txt");
    }
    static std::string ztl(const std::string& args) { return std::string(ZTL_BIN) + " " + args; }
    static std::string qbsim(const std::string& args) { return std::string(QBSIM_BIN) + " " + args; }
    void write(const std::string& name, const std::string& bytes) {
        std::ofstream(dir / name, std::ios::binary) << bytes;
    }
};

std::string H(const std::string& ref) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "H  %-8s %-8s", ref.c_str(), "12/05/26");
    return buf;
}
std::string D(const std::string& code, const std::string& a1, const std::string& a2 = "0.00") {
    char buf[64];
    std::snprintf(buf, sizeof buf, "D %-7s %12s %12s", code.c_str(), a1.c_str(), a2.c_str());
    return buf;
}

}  // namespace

TEST_F(Cli, TotalsPrintsTheTableAndTheCount) {
    Result r = run(ztl(std::string("totals ") + EXAMPLES_DIR + "/X390.QB"));
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, "");
    EXPECT_TRUE(
        r.out.starts_with("Q 0003 KORVANE DEMO STORE 3      END OF DAY "
                          "12/05/26\nH,004711,12/05/26\nD,1000,1081.25\nD,4000,-1000\n"));
    EXPECT_TRUE(r.out.ends_with("D,1300,-620.4\nTRT    1\nZTLTrcount=4\n"));

    write("X390.QB", "Q\r\nQ\r\nT  \r\n");
    EXPECT_EQ(run(ztl("totals --single-store X390.QB")).out, "Q\nQ\nT  \ncount=2\n");
    write("X390.QB", "Q only\r\n");
    EXPECT_EQ(run(ztl("totals X390.QB")).out, "Q only\nZTLTrcount=\n");

    r = run(ztl("totals missing.QB"));
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "Error in module clsZTL.Load390 \nError # 53  \nFile not found\n\n");
    EXPECT_EQ(run(ztl("totals")).status, 2);
}

TEST_F(Cli, RequestsAreNumberedByBlockAndARefusedBlockKeepsItsNumber) {
    write("X390.QB", "Q\r\n" + H("1") + "\r\n" + D("1000", "5") + "\r\n" + D("4000", "0", "-5") +
                         "\r\nTRT    1\r\nQ\r\n" + H("2") + "\r\n" + D("1000", "0") + "\r\n" +
                         D("4000", "0", "-5") + "\r\nTRT    1\r\nQ\r\n" + H("3") + "\r\n" + H("4") + "\r\n" +
                         D("1000", "7") + "\r\n" + D("4000", "0", "-7") + "\r\nTRT    1\r\n");
    Result r = run(ztl("requests X390.QB --out req"));
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err,
              "Error in module clsZTL.DoImport\nError # -2147220991  \n"
              "Zero amount in first journal entry line... Import aborted !\n\n");
    EXPECT_TRUE(fs::exists(dir / "req/0001.xml"));
    EXPECT_FALSE(fs::exists(dir / "req/0002.xml"));
    EXPECT_TRUE(fs::exists(dir / "req/0003.xml"));
    std::string third = slurp(dir / "req/0003.xml");
    EXPECT_NE(third.find("<RefNumber>4</RefNumber>\r\n"), std::string::npos);
    EXPECT_NE(third.find("<Amount>0000007.00</Amount>\r\n"), std::string::npos);
}

TEST_F(Cli, AnImportPostsWhatItsLogSaysAndNothingElse) {
    ASSERT_EQ(run(qbsim("new shop.qbw --sample")).status, 0);
    ASSERT_EQ(run(ztl("settings set ARImportAccount 'Walk-in Customer'")).status, 0);
    ASSERT_EQ(run(ztl("settings set TaxImportAccount 'State Tax Agency'")).status, 0);
    EXPECT_EQ(run(ztl("settings get ARImportAccount")).out, "Walk-in Customer\n");
    EXPECT_EQ(run(ztl("settings get VendorImportAccount")).out, "\n");

    write("X390.QB", "Q\r\n" + H("004711") + "\r\n" + D("1200", "108.00") + "\r\n" + D("4000", "0", "-100") +
                         "\r\n" + D("2100", "0", "-8") + "\r\nTRT    1\r\nQ\r\n" + H("004712") + "\r\n" +
                         D("1000", "5") + "\r\n" + D("4000", "0", "-4") + "\r\nTRT    1\r\nQ\r\n" +
                         H("004713") + "\r\n" + D("1000", "9") + "\r\n" + D("9999", "0", "-9") +
                         "\r\nTRT    1\r\n");
    Result r = run(ztl("import X390.QB"));
    EXPECT_EQ(r.status, 1) << "refused entries demand the log's printout";
    EXPECT_EQ(r.err,
              "Import errors have occured !\nYou MUST print this log file to continue.\n"
              " Consult your documentation for import error procedure.\n\nPrint it with: lp QBImport.log\n"
              "The import error procedure, with this day's commands, comes before the summary below.\n\n");
    std::string log = slurp(dir / "QBImport.log");
    // The results show the log as the run left it; the totals file's fate follows it there.
    const size_t fate = log.rfind("Totals file : archived as ");
    ASSERT_NE(fate, std::string::npos) << log;
    EXPECT_NE(r.out.find("== Import results\n" + log.substr(0, fate)), std::string::npos);
    EXPECT_NE(log.find("Transaction : 1    Invoice : 004711\r\nImport successful\r\n"), std::string::npos);
    EXPECT_NE(log.find("Transaction : 2    Invoice : 004712\r\nERROR   ----------> !!! Import aborted !!! "
                       "<--------- !\r\n"
                       "Response Status Code : 3180"),
              std::string::npos);
    EXPECT_NE(log.find("Transaction : 3    Invoice : 004713\r\nERROR   ----------> !!! Import aborted !!! "
                       "<--------- !\r\n"
                       "Response Status Code : 3140"),
              std::string::npos);

    Result journal = run(qbsim("journal shop.qbw --tsv"));
    EXPECT_EQ(journal.out,
              "1\t2026-12-05\t004711\tDebit\tAccounts Receivable\t108.00\tWalk-in Customer\n"
              "1\t2026-12-05\t004711\tCredit\tSales Tax Payable\t8.00\tState Tax Agency\n"
              "1\t2026-12-05\t004711\tCredit\tMerchandise Sales\t100.00\t\n");
    EXPECT_EQ(run(ztl("settings get ImportReferenceNumber")).out, "4714\n");
    EXPECT_TRUE(fs::exists(dir / "state/zentrel/inpxmltest.xml"));
    EXPECT_TRUE(fs::exists(dir / "state/zentrel/xmlresult.xml"));
}

TEST_F(Cli, AccentedNamesReachQuickBooksAsTheOperatorTypedThem) {
    ASSERT_EQ(run(qbsim("new shop.qbw --sample")).status, 0);
    ASSERT_EQ(run(qbsim("add-customer shop.qbw 'Caf\xc3\xa9 M\xc3\xbcller'")).status, 0);
    ASSERT_EQ(run(ztl("settings set ARImportAccount 'Caf\xc3\xa9 M\xc3\xbcller'")).status, 0);
    EXPECT_EQ(run(ztl("settings get ARImportAccount")).out, "Caf\xc3\xa9 M\xc3\xbcller\n");
    write("X390.QB",
          "Q\r\n" + H("9") + "\r\n" + D("1200", "5") + "\r\n" + D("4000", "0", "-5") + "\r\nTRT    1\r\n");
    Result r = run(ztl("import X390.QB"));
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_NE(slurp(dir / "QBImport.log").find("Import successful"), std::string::npos)
        << slurp(dir / "QBImport.log");
    EXPECT_NE(slurp(dir / "state/zentrel/inpxmltest.xml").find("<FullName>Caf\xe9 M\xfcller</FullName>"),
              std::string::npos)
        << "the debug copy is single-byte text";
    EXPECT_NE(run(qbsim("journal shop.qbw --tsv")).out.find("\tCaf\xc3\xa9 M\xc3\xbcller\n"),
              std::string::npos);
}

TEST_F(Cli, AccountsAndSendAgainstTheCompany) {
    ASSERT_EQ(run(qbsim("new shop.qbw --sample")).status, 0);
    Result r = run(ztl("accounts"));
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.out.find("1200,Accounts Receivable,AccountsReceivable\n"), std::string::npos);
    EXPECT_NE(r.out.find("2100,Sales Tax Payable,"), std::string::npos);
    write("coa.xml", slurp(dir / "state/zentrel/xmlresult.xml"));
    EXPECT_EQ(run("env -u ZENTREL_QUICKBOOKS " + ztl("accounts --response coa.xml")).out, r.out);

    write("X390.QB",
          "Q\r\n" + H("7") + "\r\n" + D("6100", "5") + "\r\n" + D("1000", "0", "-5") + "\r\nTRT    1\r\n");
    ASSERT_EQ(run(ztl("requests X390.QB --out req")).status, 0);

    // Entities come from the names given, or else from the open company's settings.
    write("AP.QB",
          "Q\r\n" + H("8") + "\r\n" + D("6100", "5") + "\r\n" + D("2000", "0", "-5") + "\r\nTRT    1\r\n");
    ASSERT_EQ(run(ztl("requests AP.QB --out given --accounts coa.xml --vendor 'Main Supplier'")).status, 0);
    EXPECT_NE(slurp(dir / "given/0001.xml").find("<FullName>Main Supplier</FullName>"), std::string::npos);
    ASSERT_EQ(run(ztl("settings set VendorImportAccount 'Stored Vendor'")).status, 0);
    ASSERT_EQ(run(ztl("requests AP.QB --out stored --accounts coa.xml")).status, 0);
    EXPECT_NE(slurp(dir / "stored/0001.xml").find("<FullName>Stored Vendor</FullName>"), std::string::npos);
    r = run(ztl("send req/0001.xml"));
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.out.find("statusCode=\"0\""), std::string::npos);
    EXPECT_EQ(run(qbsim("journal shop.qbw --tsv")).out.substr(0, 2), "1\t");

    // QuickBooks not running and no company named: the session cannot begin.
    r = run("env -u ZENTREL_QUICKBOOKS " + ztl("accounts"));
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err.rfind("Error in module clsZTL.SendRequest \nError # -2147220458  \n", 0), 0u) << r.err;
}

TEST_F(Cli, SettingsAreStoredTrimmedAsTheWindowStoresThem) {
    ASSERT_EQ(run(qbsim("new shop.qbw --sample")).status, 0);
    ASSERT_EQ(run(ztl("settings set ARImportAccount '  Walk-in Customer '")).status, 0);
    EXPECT_EQ(run(ztl("settings get ARImportAccount")).out, "Walk-in Customer\n");
    ASSERT_EQ(run(ztl("settings --single-store set ImportReferenceNumber ' 4711'")).status, 0);
    EXPECT_EQ(run(ztl("settings --single-store get ImportReferenceNumber")).out, "4711\n");
}

TEST_F(Cli, AnAccountNumberWithATrailingBlankNamesNoEntity) {
    // The company keeps "1250 " as given: the entity lookup's exact match on the account
    // number finds no receivables account for code 1250, so the line goes out without its
    // customer, and the company refuses it for that.
    ASSERT_EQ(run(qbsim("new shop.qbw --sample")).status, 0);
    ASSERT_EQ(run(qbsim("add-account shop.qbw --number '1250 ' --name 'Store Receivables' --type "
                        "AccountsReceivable"))
                  .status,
              0);
    EXPECT_NE(run(ztl("accounts")).out.find("\n1250 ,Store Receivables,AccountsReceivable\n"),
              std::string::npos);
    ASSERT_EQ(run(ztl("settings set ARImportAccount 'Walk-in Customer'")).status, 0);
    // Carriage returns alone end the lines, as the store system's platform writes them.
    write("X390.QB", "Q\r" + H("77") + "\r" + D("1250", "5") + "\r" + D("4000", "0", "-5") + "\rTRT    1\r");
    run(ztl("import X390.QB"));
    std::string log = slurp(dir / "QBImport.log");
    EXPECT_NE(log.find("Transaction : 1    Invoice : 77\r\nERROR   ----------> !!! Import aborted !!! "
                       "<--------- !\r\nResponse Status Code : 3180"),
              std::string::npos)
        << log;
    EXPECT_NE(log.find("When you use Accounts Receivable, you must choose a customer"), std::string::npos);
}

TEST_F(Cli, AnImportOfAFileAnotherWorkstationImportsPostsNothing) {
    ASSERT_EQ(run(qbsim("new shop.qbw --sample")).status, 0);
    write("X390.QB",
          "Q\r\n" + H("9") + "\r\n" + D("1000", "5") + "\r\n" + D("4000", "0", "-5") + "\r\nTRT    1\r\n");
    const std::string lock = "workstation=TILL-2\r\nprocess=4242\r\nstarted=" +
                             std::to_string(static_cast<long long>(std::time(nullptr))) +
                             "\r\nsince=12/07/2026 9:05:03 PM\r\n";
    write("X390.QB.lock", lock);
    Result r = run(ztl("import X390.QB"));
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(
        r.err.find("is already being imported by workstation TILL-2 (process 4242, since 12/07/2026 9:05:03 "
                   "PM).\nA totals file cannot be imported twice at once: this import has posted nothing."),
        std::string::npos)
        << r.err;
    EXPECT_EQ(run(qbsim("journal shop.qbw --tsv")).out, "");
    EXPECT_FALSE(fs::exists(dir / "QBImport.log"));
    EXPECT_EQ(slurp(dir / "X390.QB.lock"), lock);
}

// Both programs print the project's one version; ztl's help and usage errors are its manual
// page's usage lines, picked by command, and a command the manual lacks is marked.
TEST_F(Cli, VersionAndUsageComeFromTheProjectAndTheManual) {
    EXPECT_EQ(run(ztl("--version")).out, "ztl " ZTL_PROJECT_VERSION "\n");
    EXPECT_EQ(run(qbsim("--version")).out, "qbsim " ZTL_PROJECT_VERSION "\n");
    auto help = run(ztl("--help"));
    EXPECT_EQ(help.status, 0);
    EXPECT_EQ(help.out.rfind("usage:\n  ztl totals [--single-store] [--table] FILE\n", 0), 0u) << help.out;
    EXPECT_EQ(help.out.find("not in the manual"), std::string::npos) << help.out;
    EXPECT_EQ(run(ztl("")).status, 2);

    auto bad = run(ztl("settings frob"));
    EXPECT_EQ(bad.status, 2);
    EXPECT_EQ(bad.err,
              "ztl: get KEY or set KEY VALUE expected\n"
              "usage: ztl settings [--single-store] get KEY\n"
              "usage: ztl settings [--single-store] set KEY VALUE\n");
    auto unknown = run(ztl("sto"));
    EXPECT_EQ(unknown.status, 2);
    EXPECT_EQ(unknown.err, "ztl: unknown command 'sto'\n");
}

// The day as a bookkeeper reads it: amounts exact to the cent as the import posts them
// (no binary float: 0.1 + 0.2 is 0.30), the chart's names when QuickBooks answers, an
// account the chart lacks said as such, and without QuickBooks the same table without names.
TEST_F(Cli, TotalsTableShowsAccountsNamesDebitsAndCredits) {
    ASSERT_EQ(run(qbsim("new shop.qbw --sample")).status, 0);
    write("X390.QB", "Q\r\n" + H("1") + "\r\n" + D("1000", "0.1") + "\r\n" + D("1100", "0.2") + "\r\n" +
                         D("4000", "0", "-0.3") + "\r\nTRT    1\r\nQ\r\n" + H("2") + "\r\n" + D("9999", "1.005") +
                         "\r\n" + D("4000", "0", "-1.005") + "\r\nTRT    1\r\n");
    Result r = run(ztl("totals --table X390.QB"));
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.out,
              "Invoice 1  12/05/26\n"
              "  Account  Name                             Debit  Credit\n"
              "  1000     Checking                          0.10\n"
              "  1100     Petty Cash                        0.20\n"
              "  4000     Merchandise Sales                         0.30\n"
              "  Total                                      0.30    0.30\n\n"
              "Invoice 2  12/05/26\n"
              "  Account  Name                             Debit  Credit\n"
              "  9999     (no such account in QuickBooks)   1.01\n"
              "  4000     Merchandise Sales                         1.01\n"
              "  Total                                      1.01    1.01\n\n"
              "2 transactions with lines: debits 1.31, credits 1.31\n");

    r = run("ZENTREL_QUICKBOOKS= " + ztl("totals --table X390.QB"));
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out,
              "Invoice 1  12/05/26\n"
              "  Account  Debit  Credit\n"
              "  1000      0.10\n"
              "  1100      0.20\n"
              "  4000              0.30\n"
              "  Total     0.30    0.30\n\n"
              "Invoice 2  12/05/26\n"
              "  Account  Debit  Credit\n"
              "  9999      1.01\n"
              "  4000              1.01\n"
              "  Total     1.01    1.01\n\n"
              "2 transactions with lines: debits 1.31, credits 1.31\n");
    // Said once, as one line, whatever QuickBooks' own words are.
    EXPECT_TRUE(r.err.starts_with("ztl: the accounts are shown without their names: ")) << r.err;
    EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;

    // The plain table is the file's entries, whatever --table shows.
    EXPECT_TRUE(run(ztl("totals X390.QB")).out.starts_with("Q\nH,1,12/05/26\nD,1000,0.1\n"));
}

// Each failure the bookkeeper or the IT helper meets on the command line: its cause said once
// (however many boxes the windows would stack for it), and the next step with its command.
TEST_F(Cli, EachFailureSaysItsCauseOnceAndTheNextStep) {
    ASSERT_EQ(run(qbsim("new shop.qbw --sample")).status, 0);
    ASSERT_EQ(run(ztl("settings set ARImportAccount 'Walk-in Customer'")).status, 0);
    const std::string day = "Q\r\n" + H("004711") + "\r\n" + D("1200", "108.00") + "\r\n" +
                            D("4000", "0", "-100") + "\r\n" + D("2100", "0", "-8") + "\r\nTRT    1\r\nQ\r\n" +
                            H("004712") + "\r\n" + D("1000", "9") + "\r\n" + D("9999", "0", "-9") +
                            "\r\nTRT    1\r\n";
    // A bridge that nobody calls: the Web Connector on the PC never comes.
    const std::string bridge = "env -u ZENTREL_QUICKBOOKS ";
    const int free = ztl::testsupport::freePort();
    ASSERT_NE(free, 0);
    const std::string port = std::to_string(free);
    // Each ztl on a command line of its own: the test's settings are set for the first word only.
    write("pw.txt", "pw\n");
    write("two.txt", "one\ntwo\n");
    ASSERT_EQ(run(ztl("qbwc file --url http://localhost:" + port + "/qbwc --user clerk")).status, 0);
    ASSERT_EQ(run(ztl("qbwc set-password") + " < pw.txt").status, 0);
    ASSERT_EQ(run(ztl("qbwc set TimeoutSeconds 1")).status, 0);
    ASSERT_EQ(run("grep -h PasswordHash config/ZTL/ZTL.ini > before").status, 0);

    struct Case {
        const char* what;
        std::string command;
        int status;
        std::vector<std::string> once, present, absent;
    };
    const std::vector<Case> cases = {
        {"the Web Connector does not call: check",
         bridge + ztl("check X390.QB"),
         1,
         {"The Web Connector has not called since"},
         {"ztl qbwc status", "Checked against no company"},
         {"Error in module", "Could not connect to QuickBooks Company"}},
        {"the Web Connector does not call: single-store import",
         bridge + ztl("import --single-store X390.QB"),
         1,
         {"The Web Connector has not called since", "Error in module clsZTL.Class_Initialize"},
         {"nothing was imported", "the totals file stays where it is"},
         {"clsZTL.LoadQbCoa", "Could not access QuickBooks."}},
        {"the Sales Tax Account empty: the setting and its command",
         ztl("check X390.QB"),
         1,
         {"004711: its line on Sales Tax Payable"},
         {"the setting TaxImportAccount is empty",
          "next: name a vendor QuickBooks has: ztl settings set "
          "TaxImportAccount NAME",
          "next: add account 9999 in QuickBooks"},
         {"Sales Tax Account"}},
        {"a refusal: the import error procedure with this day's commands",
         ztl("import X390.QB"),
         1,
         {"Consult your documentation for import error procedure."},
         {"Import error procedure for this day:", "ztl check X390.QB", "2. put the day back: cp ",
          "3. import again (only what QuickBooks does not hold is sent): ztl import X390.QB"},
         {}},
        {"plain http off the loopback: an https address on another port",
         ztl("qbwc file --url http://shop.example.com:8080/qbwc --user clerk --out other.qwc"),
         1,
         {"https://shop.example.com:8443/qbwc"},
         {"SSH tunnel"},
         {"https://shop.example.com:8080"}},
        {"a piped password whose second line differs",
         ztl("qbwc set-password") + " < two.txt; grep -h PasswordHash config/ZTL/ZTL.ini | cmp -s - before "
                                    "&& echo the password stays",
         0,
         {"the two passwords differ; nothing changed"},
         {"the password stays"},
         {"password set"}},
    };
    for (const Case& c : cases) {
        write("X390.QB", day);
        Result r = run(c.command);
        const std::string all = r.out + r.err;
        EXPECT_EQ(r.status, c.status) << c.what << "\n" << all;
        for (const std::string& s : c.once) {
            size_t n = 0;
            for (size_t at = all.find(s); at != std::string::npos; at = all.find(s, at + 1)) ++n;
            EXPECT_EQ(n, 1u) << c.what << ": \"" << s << "\"\n" << all;
        }
        for (const std::string& s : c.present)
            EXPECT_NE(all.find(s), std::string::npos) << c.what << ": " << s << "\n" << all;
        for (const std::string& s : c.absent)
            EXPECT_EQ(all.find(s), std::string::npos) << c.what << ": " << s << "\n" << all;
    }
}
