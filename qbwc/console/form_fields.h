#pragma once
// What a browser sends besides the path: the fields of a form
// (application/x-www-form-urlencoded) and the cookies of the Cookie header.
#include <map>
#include <optional>
#include <string>
#include <string_view>

namespace ztl::qbwc {

// `text` with its %XX escapes decoded (and '+' as a space when `plusIsSpace`); nothing when an
// escape is malformed or decodes to a NUL byte.
std::optional<std::string> percentDecoded(std::string_view text, bool plusIsSpace);

// The fields of a form body; a field sent twice keeps its first value, a malformed one is
// left out.
std::map<std::string, std::string> formFields(std::string_view body);

// The value of the cookie `name` in a Cookie header; empty when it is not there.
std::string cookieValue(std::string_view header, std::string_view name);

}  // namespace ztl::qbwc
