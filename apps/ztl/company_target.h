#pragma once
// The company the checks after an import talk to, as the edition's window finds it: the
// multi-store edition the company QuickBooks has open (its settings section named after
// it), the single-store edition the company file in its settings.
#include <iostream>
#include <optional>
#include <string>

#include "engine/program.h"
#include "engine/quickbooks_check.h"

namespace ztl::cli {

// The company file for every session (empty: the one open), or nothing when QuickBooks
// cannot be reached (said on standard error).
inline std::optional<std::string> companyTarget(Program& p) {
    if (p.edition == Edition::SingleStore)
        return p.settings->get(kSettingsApp, p.settingsSection, "Company", "");
    std::optional<std::string> company = CheckQBConnection(p);
    if (!company) {
        std::cerr << "ztl: QuickBooks cannot be reached (ZENTREL_QUICKBOOKS)\n";
        return std::nullopt;
    }
    p.settingsSection = companySettingsSection(*company);
    return std::string();
}

}  // namespace ztl::cli
