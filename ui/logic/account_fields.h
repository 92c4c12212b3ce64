#pragma once
// The account fields' settings: read once at load, written back trimmed each time a field
// loses the focus (the field itself keeps what the operator typed), under the program's
// settings section.
#include <string>

#include "engine/program.h"
#include "ui/logic/main_window_view.h"

namespace ztl::ui {

AccountFields readAccountFields(const Program& program);

// Stores the trimmed text under `key`; a store that cannot be written is reported with the
// field's own heading ("Error in module txtARImport_LostFocus").
void saveFieldSetting(Program& program, const std::string& controlName, const char* key,
                      const std::string& text);

// Stores the text of the account field named `controlName` (txtARImport, txtVendImport,
// txtTaxImp); true when the names the import puts on its lines changed, so that what the
// window foresees of the day must be checked again. Any other control stores nothing.
bool storeAccountField(Program& program, const std::string& controlName, const std::string& text);

}  // namespace ztl::ui
