// The summary that ends an import log, as the printed record of a day: it names the store, the
// company, the business dates and the day's money as the entries post it.
#include <gtest/gtest.h>

#include <memory>

#include "engine/company/file_names.h"
#include "engine/import/run_summary.h"
#include "import_runner.h"

using namespace ztl;
using ztl::test::D;
using ztl::test::file;
using ztl::test::H;

namespace {

std::vector<std::string> recordOf(const std::string& logPath, const std::string& company,
                                  const std::string& bytes) {
    RunRecord run;
    run.logPath = logPath;
    run.companyFile = company;
    run.day = std::make_shared<const StoreDay>(StoreDay::fromBytes(bytes));
    return dayRecordLines(run);
}

}  // namespace

TEST(RunSummary, TheRecordNamesStoreCompanyDatesAndTheDaysMoneyAsPosted) {
    // Two days in one file; a block whose date cannot be read and one without lines name no
    // date, but the first still counts in the money; each line is rounded to cents as the
    // request writes it (1.005 -> 1.01), so the sums are what QuickBooks receives.
    const std::string day =
        file({"Q", H("000101", "04/01/25"), D("1000", "1.005"), D("4000", "0", "-1.005"), "TRT    1",
              H("000102", "04/02/25"), D("1000", "20.00"), D("4000", "0", "-19.00"), D("2100", "0", "-1.00"),
              "TRT    1", H("000103", "13/45/25"), D("1000", "5"), D("4000", "0", "-5"), "TRT    1",
              H("000104", "04/03/25"), "TRT    1"});
    EXPECT_EQ(recordOf("/mnt/STORESRV/CATCON/12QBImport.log", "/home/op/Shop.qbw", day),
              (std::vector<std::string>{"Store : Store 12", "Company : /home/op/Shop.qbw",
                                        "Business dates : 04/01/25, 04/02/25", "Debits of the day : 26.01",
                                        "Credits of the day : 26.01"}));

    // A pending day's copy is its store's day; the single-store edition's one store and an
    // unknown company leave their lines out rather than name them wrongly.
    const std::string oneDay =
        file({"Q", H("000101", "04/01/25"), D("1000", "7.5"), D("4000", "0", "-7.5"), "TRT    1"});
    EXPECT_EQ(recordOf("/mnt/CATCON/pending/2025-04-01 3QBImport.log", "", oneDay).front(),
              "Store : Store 3");
    EXPECT_EQ(storeLabel("/mnt/CATCON/3X390.QB392026145.1"), "Store 3") << "an archive is its store's day";
    EXPECT_EQ(recordOf("/mnt/CATCON/QBImport.log", "", oneDay),
              (std::vector<std::string>{"Business date : 04/01/25", "Debits of the day : 7.50",
                                        "Credits of the day : 7.50"}));

    // The summary carries the record between its heading and its counts.
    RunRecord run;
    run.logPath = "/mnt/CATCON/3QBImport.log";
    std::vector<std::string> lines = runSummaryLines(run);
    ASSERT_GE(lines.size(), 5u);
    EXPECT_EQ(lines[1], kSummaryHeading);
    EXPECT_EQ(lines[3], "Store : Store 3");
    EXPECT_EQ(lines[4], "Posted : 0");
}
