#include "qbxml/names.h"

#include <algorithm>

#include "platform/trim.h"

namespace ztl {
namespace {

char folded(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

}  // namespace

std::string foldedName(std::string_view name) {
    std::string out(trimmedView(name, kWhitespace));
    std::transform(out.begin(), out.end(), out.begin(), folded);
    return out;
}

bool sameQuickBooksName(std::string_view a, std::string_view b) {
    a = trimmedView(a, kWhitespace);
    b = trimmedView(b, kWhitespace);
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return folded(x) == folded(y); });
}

}  // namespace ztl
