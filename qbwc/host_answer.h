#pragma once
// What QuickBooks says it can take, from the host query answer the Web Connector hands over
// with the first sendRequestXML of a session.
#include <string>

namespace ztl::qbwc {

// Why QuickBooks cannot take the engine's qbXML 1.0 US requests, as the program's error
// says it; empty when it can, or when it cannot be told (no answer, or one without the
// versions). `country` is the Web Connector's qbXMLCountry, for an answer that names none.
std::string unsupportedBy(const std::string& hostAnswer, const std::string& country);

}  // namespace ztl::qbwc
