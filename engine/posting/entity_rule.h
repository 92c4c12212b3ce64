#pragma once
// Which customer or vendor the import names on a journal-entry line, and the chart it decides
// that from. The import run and the check before it share this, so that the check sees the
// very EntityRef the run will send.
//
// The rule goes by the store's account code as an account number of the chart (the text
// "number,name,type" of every account): any account of that number named exactly "Sales Tax
// Payable" gives the sales-tax vendor; otherwise the type of the last such account gives the
// customer (AccountsReceivable) or the vendor (AccountsPayable); anything else no name.
#include <string>
#include <vector>

#include <pugixml.hpp>

#include "engine/posting/account_list.h"

namespace ztl {

// The three names the operator keeps in the main window's account fields, single-byte text.
struct EntityNames {
    std::string receivables;  // ARImportAccount: the customer of receivables lines
    std::string payables;     // VendorImportAccount: the vendor of payables lines
    std::string salesTax;     // TaxImportAccount: the vendor of "Sales Tax Payable" lines
    bool operator==(const EntityNames&) const = default;
};

// "number,name,type" of every AccountRet of the answer's AccountQueryRs elements, in answer
// order, as single-byte text.
std::vector<std::string> chartTexts(const pugi::xml_document& answer);

// The entity name of a line on `accountCode`; empty: the line names none.
std::string importEntityFor(const AccountList& chart, const std::string& accountCode,
                            const EntityNames& names);

}  // namespace ztl
