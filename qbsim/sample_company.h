#pragma once
// The sample company: a small retail chart whose account numbers are the store account
// codes of the sample totals file, with receivables, payables and "Sales Tax Payable",
// and the customers and vendors those lines need.
#include "qbsim/company.h"

namespace ztl::qbsim {

// Adds the sample chart, customers and vendors to a new, empty company.
void addSampleCompany(Company& company);

}  // namespace ztl::qbsim
