#pragma once
// The check before an import as the programs run it: the totals file of the window, the
// chart it shows, the account fields' names from the settings, and for the questions the
// connection the window keeps open, or else one of its own. The check shows no message.
#include <string>

#include "engine/program.h"
#include "engine/transaction_check.h"

namespace ztl {

// The import's duplicate guard is on: not switched off for this program, nor by the
// DuplicateCheck setting "off".
bool duplicateGuardOn(const Program& program);

// The three names the account fields keep, read from the program's settings section.
EntityNames storedEntityNames(const Program& program);

// Checks the totals file at `sourcePath` (a path as the store system names it) for an
// import into `company` (empty: the company QuickBooks has open). Throws VbError only when
// the totals file cannot be read.
TotalsCheck checkBeforeImport(Program& program, const std::string& company, const std::string& sourcePath,
                              const std::string& chartResponse);

}  // namespace ztl
