// The demo world's totals imported into its simulated company as both editions import
// them, with the operator's settings the world wrote: every entry goes through but the one
// that books an account the company lacks.
#include "demo_world_fixture.h"
#include "engine/cls_ztl.h"
#include "engine/quickbooks_check.h"
#include "platform/clock.h"
#include "platform/prompter.h"
#include "qbsim/company.h"
#include "qbsim/processor_factory.h"

namespace ztl::demo {
namespace {

class DemoImportTest : public testing::DemoWorldTest {};

std::vector<std::string> referencesFrom(const std::vector<qbsim::JournalEntry>& journal, size_t first) {
    std::vector<std::string> refs;
    for (size_t i = first; i < journal.size(); ++i) refs.push_back(journal[i].refNumber.value_or("-"));
    return refs;
}

TEST_F(DemoImportTest, TheCompanyAcceptsEveryEntryButTheOneMeantToBeRefused) {
    const DemoWorld& w = build();
    qbsim::SimProcessorFactory quickBooks(w.companyFile);  // QuickBooks running with it open
    struct Row {
        Edition edition;
        std::string source;  // empty: the single-store settings' "Import Source"
        std::vector<std::string> posted;
        bool refused;
    };
    const Row rows[] = {
        {Edition::MultiStore,
         w.stores[0].totalsSource,
         {"101001", "101002", "101003", "101005", "101006", "101007"},
         true},
        {Edition::MultiStore,
         w.stores[1].totalsSource,
         {"201001", "201002", "201003", "201004", "201005"},
         false},
        {Edition::MultiStore, w.stores[2].totalsSource, {"301001", "301003", "301004", "301005"}, false},
        {Edition::SingleStore, "", {"401001", "401002", "401003"}, false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.source.empty() ? std::string("single-store") : row.source);
        RecordingPrompter prompter;
        FixedClock clock{{2026, 12, 5, 23, 30, 0}};
        Program p;
        p.edition = row.edition;
        p.prompter = &prompter;
        p.settings = &settings_;
        p.clock = &clock;
        p.processors = &quickBooks;
        p.installFolder = scratch_;
        const size_t before = qbsim::Company::open(w.companyFile).journal().size();

        if (row.edition == Edition::MultiStore) {
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
            }
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
            z.NewStartImport();
            EXPECT_EQ(settings_.get(kSettingsApp, p.settingsSection, "ImportReferenceNumber"), "401004");
        }

        EXPECT_TRUE(prompter.texts().empty()) << prompter.texts().front();
        EXPECT_EQ(p.ImportErrorFlag, row.refused);
        EXPECT_EQ(referencesFrom(qbsim::Company::open(w.companyFile).journal(), before), row.posted);
    }

    // Receivables, payables and sales-tax lines name the customer and vendors set up for
    // the company; a refund's negative first amount is a credit.
    const auto journal = qbsim::Company::open(w.companyFile).journal();
    for (const auto& entry : journal)
        for (const auto& line : entry.lines) {
            SCOPED_TRACE(entry.refNumber.value_or("-") + " " + line.accountName);
            if (line.accountName == "Accounts Receivable")
                EXPECT_EQ(line.entityName, "House Account");
            else if (line.accountName == "Accounts Payable")
                EXPECT_EQ(line.entityName, "Main Supplier");
            else if (line.accountName == "Sales Tax Payable")
                EXPECT_EQ(line.entityName, "State Tax Agency");
            else
                EXPECT_EQ(line.entityName, "");
        }
    const qbsim::JournalEntry& refund = journal.at(4);
    ASSERT_EQ(refund.refNumber, "101006");
    ASSERT_EQ(refund.lines.size(), 3u);
    EXPECT_TRUE(refund.lines[0].debit && refund.lines[1].debit && !refund.lines[2].debit);
    EXPECT_EQ(refund.lines[2].accountName, "Checking");
    EXPECT_EQ(refund.lines[2].amountCents, 4536);
}

}  // namespace
}  // namespace ztl::demo
