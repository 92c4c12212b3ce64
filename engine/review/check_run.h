#pragma once
// The check before an import as the programs run it: the totals file of the window, the
// chart it shows, the account fields' names from the settings, and for the questions the
// connection the window keeps open, or else one of its own. The check shows no message.
#include <string>

#include "engine/program.h"
#include "engine/review/transaction_check.h"

namespace ztl {

// Checks the totals file at `sourcePath` (a path as the store system names it) for an
// import into `company` (empty: the company QuickBooks has open): the day its caller walked,
// or else the file as it is now. Throws VbError only when the totals file cannot be read.
TotalsCheck checkBeforeImport(Program& program, const std::string& company, const std::string& sourcePath,
                              const ChartReading& chart, std::shared_ptr<const StoreDay> day = nullptr);

}  // namespace ztl
