#pragma once
// The company each store last posted into, so that a day is not posted into another company
// unnoticed. A store is known by its totals file as the store system names it,
// \\SERVER\CATCON\<store>X390.QB, which its server and store directory decide (a path of this
// machine counts whole); the company file is the one QuickBooks reported open. Kept in the
// settings, under ZentrelMS\Stores\<path of the totals file>, key CompanyFile.
#include <optional>
#include <string>

#include "engine/program.h"

namespace ztl {

// The company file the store of this totals file last posted into; empty when none is known.
std::string lastCompanyOf(const Program& program, const std::string& totalsPath);
// Remembers the company file a run of this totals file posted into.
void rememberCompany(Program& program, const std::string& totalsPath, const std::string& companyFile);

// The warning for an import of this totals file into `openCompany`, naming both companies;
// nothing when the store last posted into the same company or has not posted before.
std::optional<std::string> wrongCompanyWarning(const Program& program, const std::string& totalsPath,
                                               const std::string& openCompany);

// The command line's refusal to import this totals file into `openCompany`, naming both
// companies and the option that goes on all the same; nothing when the warning would be.
std::optional<std::string> otherCompanyRefusal(const Program& program, const std::string& totalsPath,
                                               const std::string& openCompany, const std::string& goOnOption);

}  // namespace ztl
