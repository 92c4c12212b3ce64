#pragma once
// What an XML text from the network must look like before pugixml sees it. pugixml expands
// no entities of its own, but a body that declares any is not the Web Connector's, and a
// deeply nested one is only an attempt to exhaust whoever walks it; both are refused
// unread, as is a body larger than its limit.
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace ztl::qbwc {

struct XmlLimits {
    std::size_t maxBytes = 8 * 1024 * 1024;  // a chart of accounts answer, escaped, fits easily
    int maxDepth = 32;                       // a SOAP call is five levels deep
};

// Why `text` is refused, or nothing when it may be parsed.
std::optional<std::string> xmlRefusal(std::string_view text, const XmlLimits& limits);

}  // namespace ztl::qbwc
