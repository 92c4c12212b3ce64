#pragma once
#include <string>

namespace ztl::qbwc {

// Whether two company file names name the same file as Windows compares them: letters in
// either case, '/' and '\' alike. The Web Connector reports the name as QuickBooks shows it.
bool sameCompanyFile(const std::string& a, const std::string& b);

}  // namespace ztl::qbwc
