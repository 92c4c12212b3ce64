#pragma once
// Which customer or vendor the import names on a journal-entry line. The import run and the
// check before it share this, so that the check sees the very EntityRef the run will send.
//
// The rule goes by the store's account code as an account number of the chart, each account
// read as the single-byte text "number,name,type" split at every comma (so a name holding a
// comma shifts the type into a later piece): any account of that number named exactly "Sales
// Tax Payable" gives the sales-tax vendor; otherwise the type of the last such account gives
// the customer (AccountsReceivable) or the vendor (AccountsPayable); anything else no name.
#include <string>

#include "engine/posting/company_chart.h"

namespace ztl {

// The three names the operator keeps in the main window's account fields, single-byte text.
struct EntityNames {
    std::string receivables;  // ARImportAccount: the customer of receivables lines
    std::string payables;     // VendorImportAccount: the vendor of payables lines
    std::string salesTax;     // TaxImportAccount: the vendor of "Sales Tax Payable" lines
    bool operator==(const EntityNames&) const = default;
};

// One account as the rule reads it (the chart indexes its accounts by this reading).
struct EntityReading {
    std::string number;            // the first piece: what a store account code is compared with
    bool salesTaxPayable = false;  // the second piece is "Sales Tax Payable"
    std::string type;              // the third piece; empty when there is none
};
EntityReading entityReading(const CompanyChart::Account& account);

// The entity name of a line on `accountCode`; empty: the line names none.
std::string importEntityFor(const CompanyChart& chart, const std::string& accountCode, const EntityNames& names);

}  // namespace ztl
