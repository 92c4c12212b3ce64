#pragma once
// The path of a console address, checked before anything is looked up by it. A path is
// refused when it, or what it decodes to (once or more: "%252e%252e" is "%2e%2e" is ".."),
// holds a step up ("..") or out of the path (a backslash, an encoded slash, a NUL byte):
// later pages name a store, a night or a log by their path, and none of them may reach a
// file outside the store's own list.
#include <optional>
#include <string>

namespace ztl::qbwc {

// The path of `target` without its query, decoded; nothing when it is refused as above.
std::optional<std::string> consolePath(const std::string& target);

}  // namespace ztl::qbwc
