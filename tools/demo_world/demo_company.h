#pragma once
// The demo world's QuickBooks side: a simulated company file and the operator's settings
// for it, in both editions' places.
#include <filesystem>
#include <string>

#include "platform/settings_store.h"

namespace ztl::demo {

// Creates the company file (which must not exist) with the sample chart, customers and
// vendors, on a fixed clock so that the file is the same on every build. Returns the
// company file name as QuickBooks reports it for a session on it (GetCurrentCompanyFileName),
// which is what the multi-store settings section is named after.
std::string writeDemoCompany(const std::filesystem::path& file);

// Multi-store: the three account settings under "ZentrelMS\Settings\" + companyFileName.
// Single-store, under "Zentrel\Settings": "Import Source" = singleStoreSource, "Company" =
// companyFileName, the three account settings, "ImportReferenceNumber" = the first
// reference of the single-store day.
void writeDemoSettings(SettingsStore& settings, const std::string& companyFileName,
                       const std::string& singleStoreSource);

}  // namespace ztl::demo
