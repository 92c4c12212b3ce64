#pragma once
// The console's landing page as data: what the service has seen of the Web Connector, how
// long it has been silent, and whether the programs reach this service at all. The same
// JSON is answered at /console/api/status and rendered as the status page.
#include <chrono>
#include <string>

#include <nlohmann/json.hpp>

#include "qbwc/service_journal.h"

namespace ztl::qbwc {

// Where the programs hand their requests ("qbwc:HOST:PORT", as the setting QuickBooks or
// ZENTREL_QUICKBOOKS says it) and where this service serves them.
struct ProgramsAddress {
    std::string programs;
    std::string served;
};

nlohmann::json statusModel(const ServiceStatus& status, const ProgramsAddress& address,
                           std::chrono::system_clock::time_point now);

// {"at": isoTime, "shown": shownTime}: a moment as the pages and the data both say it.
nlohmann::json moment(std::chrono::system_clock::time_point t);
// "2026-12-08T09:12:05Z": a moment for the data addresses.
std::string isoTime(std::chrono::system_clock::time_point t);
// "2026-12-08 10:12": a moment as the store's clock shows it, for the pages.
std::string shownTime(std::chrono::system_clock::time_point t);

}  // namespace ztl::qbwc
