#pragma once
// The console's pages of the stores and their nights, and their JSON:
//   /console/stores                                       every store (JSON: /console/api/stores)
//   /console/stores/<key>[?page=N]                        a store (JSON: /console/api/stores/<key>)
//   /console/stores/<key>/runs/<run id>                   a run (JSON: /console/api/stores/<key>/runs/<run id>)
//   /console/stores/<key>/runs/<run id>/log/<n>           its n-th day's import log, printable
//   /console/stores/<key>/runs/<run id>/log/<n>/download  the same log as a file
// A key, run id or number that is not well-formed is 404 before anything is read; one that
// is well-formed but not in the store's history is 404 too. Every other address is left to
// the console's other parts.
#include <memory>
#include <optional>

#include "qbwc/console/console_route.h"
#include "qbwc/console/console_stores.h"

namespace ztl::qbwc {

class StorePages {
  public:
    explicit StorePages(std::shared_ptr<ConsoleStores> stores);

    std::optional<ConsoleReply> answer(const ConsoleVisit& visit);

  private:
    std::shared_ptr<ConsoleStores> stores_;
};

}  // namespace ztl::qbwc
