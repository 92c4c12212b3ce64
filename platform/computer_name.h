#pragma once
// The workstation's computer name, as the store system's terminal map and the import lock
// name a workstation. Empty when the system will not say.
#include <string>

namespace ztl {

std::string computerName();

}  // namespace ztl
