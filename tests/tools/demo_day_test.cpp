// Each end of day of the demo world as the main windows load and import it: the totals file
// read into the totals table and its transaction count, then imported into the simulated
// company with the settings the world wrote. Every entry goes through but the one that books
// an account the company lacks.
#include <algorithm>

#include "demo_world_fixture.h"
#include "engine/import/cls_ztl.h"
#include "engine/company/quickbooks_check.h"
#include "platform/clock.h"
#include "platform/prompter.h"
#include "qbsim/company.h"
#include "qbsim/processor_factory.h"

namespace ztl::demo {
namespace {

class DemoDayTest : public testing::DemoWorldTest {};

size_t rowsOfKind(const TotalsTable& table, char kind) {
    return static_cast<size_t>(
        std::count_if(table.begin(), table.end(), [&](const std::string& r) { return r.front() == kind; }));
}

std::vector<std::string> referencesSince(const std::filesystem::path& company, size_t first) {
    std::vector<std::string> refs;
    auto journal = qbsim::Company::open(company).journal();
    for (size_t i = first; i < journal.size(); ++i) refs.push_back(journal[i].refNumber.value_or("-"));
    return refs;
}

TEST_F(DemoDayTest, EachDayLoadsAndImportsAsMeant) {
    const DemoWorld& w = build();
    qbsim::SimProcessorFactory quickBooks(w.companyFile);  // QuickBooks running with it open
    struct Row {
        std::string source;  // empty: the single-store workstation, from its settings
        int transactions;    // Q lines = the TRT counts; the day's T line counts 0
        size_t dLines;
        std::vector<std::string> run;  // consecutive rows the totals table must hold
        std::vector<std::string> posted;
        bool refused;
    };
    // clang-format off
    const Row rows[] = {
        // A refund stands as a negative first amount; 101004 books an account the chart lacks.
        {w.stores[0].totalsSource, 7, 18,
         {"H,101006,12/05/26", "D,4000,42", "D,2100,3.36", "D,1000,-45.36", "TRT    1"},
         {"101001", "101002", "101003", "101005", "101006", "101007"}, true},
        {w.stores[1].totalsSource, 5, 11,
         {"H,201002,12/05/26", "D,1000,410", "D,1200,-410", "TRT    1"},
         {"201001", "201002", "201003", "201004", "201005"}, false},
        // The store name in single-byte text, and a transaction voided at the register.
        {w.stores[2].totalsSource, 5, 10,
         {"Q 0003 DUPR\xC9 HOME CENTER         END OF DAY 12/05/26", "H,301002,12/05/26", "TRT    1"},
         {"301001", "301003", "301004", "301005"}, false},
        {"", 3, 8,
         {"H,401003,12/05/26", "D,5000,88.5", "D,2000,-88.5", "TRT    1", "T      0"},
         {"401001", "401002", "401003"}, false},
    };
    // clang-format on
    for (const Row& row : rows) {
        const bool single = row.source.empty();
        SCOPED_TRACE(single ? std::string("single-store") : row.source);
        RecordingPrompter prompter;
        FixedClock clock{{2026, 12, 5, 23, 30, 0}};
        Program p;
        p.edition = single ? Edition::SingleStore : Edition::MultiStore;
        p.prompter = &prompter;
        p.settings = &settings_;
        p.clock = &clock;
        p.processors = &quickBooks;
        p.installFolder = scratch_;
        const size_t before = qbsim::Company::open(w.companyFile).journal().size();
        std::shared_ptr<TotalsTable> table;

        if (!single) {
            // As the multi-store main window loads: the open company names the settings.
            std::optional<std::string> company = CheckQBConnection(p);
            ASSERT_EQ(company, w.companyFileName);
            p.settingsSection = companySettingsSection(*company);
            std::optional<Decimal> count;
            {
                clsZTL loader(p);
                loader.X390source(row.source);
                loader.Load390();
                count = loader.ZTLTrcount;
                table = loader.X390();
            }
            ASSERT_TRUE(count.has_value());
            EXPECT_EQ(count->text(), std::to_string(row.transactions));
            clsZTL z(p);
            z.X390source(row.source);
            z.ZTLTrcount = count;
            z.NewStartImport();
        } else {
            // As the single-store main window loads: its one engine object, from its settings.
            p.settingsSection = "Zentrel\\Settings";
            clsZTL z(p);
            z.QBCompany = settings_.get(kSettingsApp, p.settingsSection, "Company");
            z.LoadQbCoa();
            ASSERT_FALSE(z.cZTLError);
            z.X390source(settings_.get(kSettingsApp, p.settingsSection, "Import Source"));
            z.Load390();
            EXPECT_EQ(z.qLineCount(), row.transactions);
            table = z.X390();
            z.NewStartImport();
            EXPECT_EQ(settings_.get(kSettingsApp, p.settingsSection, "ImportReferenceNumber"), "401004");
        }

        const size_t n = static_cast<size_t>(row.transactions);
        EXPECT_EQ(rowsOfKind(*table, 'Q'), n);
        EXPECT_EQ(rowsOfKind(*table, 'H'), n);
        EXPECT_EQ(rowsOfKind(*table, 'D'), row.dLines);
        EXPECT_EQ(rowsOfKind(*table, 'T'), n + 1);
        EXPECT_EQ(table->size(), 3 * n + row.dLines + 1) << "the closing remark line leaves no row";
        EXPECT_NE(std::search(table->begin(), table->end(), row.run.begin(), row.run.end()), table->end());

        EXPECT_TRUE(prompter.texts().empty()) << prompter.texts().front();
        EXPECT_EQ(p.ImportErrorFlag, row.refused);
        EXPECT_EQ(referencesSince(w.companyFile, before), row.posted);
    }
}

}  // namespace
}  // namespace ztl::demo
