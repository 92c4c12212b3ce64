#pragma once
// The console's Web Connector page: the .qwc file to add on the Windows PC, made from the
// bridge's settings as ztl qbwc file writes it; the steps on that PC; and the failures the
// Web Connector and QuickBooks report there, each with the step to take. Its data, the
// failure table and whether a file can be made, is at /console/api/web-connector.
#include <functional>
#include <optional>
#include <string>

#include <nlohmann/json.hpp>

#include "qbwc/console/console_route.h"
#include "qbwc/qwc_file.h"

namespace ztl::qbwc {

// The fields of the .qwc file from the settings as they are now; nothing, and `missing`
// saying which command on the store's Linux machine sets them, when they are not there.
using StoredQwc = std::function<std::optional<QwcFields>(std::string& missing)>;

class ConnectorPage {
  public:
    explicit ConnectorPage(StoredQwc stored);

    // The page, the file or the data; nothing for an address that is not this part's.
    std::optional<ConsoleReply> answer(const ConsoleVisit& visit) const;

  private:
    nlohmann::json model(const std::optional<QwcFields>& fields, const std::string& missing) const;

    StoredQwc stored_;
};

}  // namespace ztl::qbwc
