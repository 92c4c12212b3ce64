#pragma once
// What `ztl qbwc status` shows of a running service, as it travels over the local socket:
// "Key=value" lines, values on one line each. The service writes it, ztl reads it.
#include <chrono>
#include <map>
#include <string>

#include "qbwc/web_connector_service.h"

namespace ztl::qbwc {

using StatusFields = std::map<std::string, std::string>;

// The service's status with the address it serves ("qbwc:HOST:PORT") and whether a
// password is set.
std::string encodeStatus(const ServiceStatus& status, const std::string& quickBooks, bool passwordSet);
StatusFields decodeStatus(const std::string& text);

// The lines ztl qbwc status prints for one service, times as the operator's clock shows them.
std::string describeStatus(const StatusFields& fields);

}  // namespace ztl::qbwc
