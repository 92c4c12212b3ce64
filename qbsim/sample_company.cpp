#include "qbsim/sample_company.h"

namespace ztl::qbsim {

void addSampleCompany(Company& company) {
    company.inWriteTransaction([&] {
        company.addAccounts({
            {"1000", "Checking", "Bank", "Store operating account"},
            {"1100", "Petty Cash", "Bank", "Cash drawer float"},
            {"1200", "Accounts Receivable", "AccountsReceivable", "House charge accounts"},
            {"1300", "Inventory Asset", "OtherCurrentAsset", "Merchandise on hand"},
            {"1500", "Store Equipment", "FixedAsset", ""},
            {"2000", "Accounts Payable", "AccountsPayable", ""},
            {"2100", "Sales Tax Payable", "OtherCurrentLiability", "Sales tax collected"},
            {"3000", "Owner's Equity", "Equity", ""},
            {"4000", "Merchandise Sales", "Income", ""},
            {"4100", "Service Income", "Income", "Repairs and special orders"},
            {"5000", "Cost of Goods Sold", "CostOfGoodsSold", ""},
            {"6100", "Store Supplies", "Expense", ""},
            {"6200", "Utilities", "Expense", ""},
            {"6300", "Rent Expense", "Expense", ""},
        });
        company.addCustomer("Walk-in Customer");
        company.addCustomer("House Account");
        company.addVendor("State Tax Agency");
        company.addVendor("Main Supplier");
        company.addVendor("City Utilities");
        return true;
    });
}

}  // namespace ztl::qbsim
