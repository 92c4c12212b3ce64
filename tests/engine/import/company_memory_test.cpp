// The company each store last posted into, and the warning when another company is open.
#include <gtest/gtest.h>

#include "platform/settings_store.h"
#include "engine/company/company_memory.h"

using namespace ztl;

TEST(CompanyMemory, WarnsOnlyWhenTheStoreLastPostedIntoAnotherCompany) {
    MemorySettingsStore settings;
    Program p;
    p.settings = &settings;
    const std::string store1 = "\\\\STORESRV\\CATCON\\1X390.QB", store2 = "\\\\STORESRV\\CATCON\\2X390.QB";
    const std::string shop = "C:\\Books\\Shop.QBW", other = "C:\\Books\\Other.QBW";

    EXPECT_EQ(wrongCompanyWarning(p, store1, shop), std::nullopt)
        << "a store's first import asks nothing";
    rememberCompany(p, store1, shop);
    EXPECT_EQ(lastCompanyOf(p, store1), shop);
    struct Case {
        const char* what;
        std::string store, open;
        bool warned;
    };
    const Case cases[] = {
        {"the same company", store1, shop, false},
        {"the same company, spelled in another case", store1, "c:\\books\\shop.qbw", false},
        {"the same store, spelled in another case", "\\\\storesrv\\catcon\\1x390.qb", other, true},
        {"another company", store1, other, true},
        {"another store that never posted", store2, other, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        auto warning = wrongCompanyWarning(p, c.store, c.open);
        ASSERT_EQ(warning.has_value(), c.warned);
        if (!warning) continue;
        EXPECT_NE(warning->find("Open in QuickBooks now:  " + c.open + "\n"), std::string::npos) << *warning;
        EXPECT_NE(warning->find("Last posted into:  " + shop + "\n"), std::string::npos) << *warning;
    }
    // A store that moves to another company is remembered there; the first store stays.
    rememberCompany(p, store2, other);
    EXPECT_EQ(lastCompanyOf(p, store2), other);
    EXPECT_EQ(lastCompanyOf(p, store1), shop);
    // Copies of a totals file in two folders of this machine are two stores.
    rememberCompany(p, "/tmp/direct/X390.QB", shop);
    EXPECT_EQ(wrongCompanyWarning(p, "/tmp/bridged/X390.QB", other), std::nullopt);
    EXPECT_NE(wrongCompanyWarning(p, "/tmp/direct/../direct/X390.QB", other), std::nullopt);
    rememberCompany(p, store1, "");
    EXPECT_EQ(lastCompanyOf(p, store1), shop) << "no company named, nothing forgotten";
}
