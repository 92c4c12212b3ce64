#include "qbwc/company_file_name.h"

#include <cctype>

namespace ztl::qbwc {

bool sameCompanyFile(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        auto fold = [](char c) {
            return c == '/' ? '\\' : static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        };
        if (fold(a[i]) != fold(b[i])) return false;
    }
    return true;
}

}  // namespace ztl::qbwc
