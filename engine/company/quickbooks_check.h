#pragma once
// The main window's check that QuickBooks answers, and which company file it has open:
// a request processor of its own, one session on the open company, its file name.
#include <optional>
#include <string>

#include "engine/company/settings_keys.h"
#include "engine/program.h"

namespace ztl {

// The company file QuickBooks has open, or nothing when it cannot be reached. Every failure
// but "another company is open" is shown to the operator.
std::optional<std::string> CheckQBConnection(Program& program);

}  // namespace ztl
