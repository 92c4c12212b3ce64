#include "platform/trim.h"

namespace ztl {

std::string_view trimmedView(std::string_view s, std::string_view chars) {
    const size_t b = s.find_first_not_of(chars);
    if (b == std::string_view::npos) return {};
    return s.substr(b, s.find_last_not_of(chars) - b + 1);
}

}  // namespace ztl
