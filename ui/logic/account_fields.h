#pragma once
// The account fields' settings: read once at load, written back trimmed each time a field
// loses the focus (the field itself keeps what the operator typed), under the program's
// settings section.
#include <string>

#include "engine/program.h"
#include "ui/logic/main_window_view.h"

namespace ztl::ui {

inline constexpr const char* kARImportAccount = "ARImportAccount";
inline constexpr const char* kVendorImportAccount = "VendorImportAccount";
inline constexpr const char* kTaxImportAccount = "TaxImportAccount";

AccountFields readAccountFields(const Program& program);

// Stores the trimmed text under `key`; a store that cannot be written is reported with the
// field's own heading ("Error in module txtARImport_LostFocus").
void saveFieldSetting(Program& program, const std::string& controlName, const char* key,
                      const std::string& text);

}  // namespace ztl::ui
