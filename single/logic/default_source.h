#pragma once
// Where a workstation finds its totals file until the operator's settings say otherwise:
// X390.QB in the share catcon of the store server. The server's name is fixed when the
// program is built (ZTL_DEFAULT_STORE_SERVER), so a site builds it with its own.
#include <string>

namespace ztl::single {

std::string defaultImportSource();  // \\<server>\catcon\X390.QB

}  // namespace ztl::single
