#include "ui/logic/account_fields.h"

#include "engine/company/import_settings.h"
#include "engine/company/settings_keys.h"
#include "platform/error_report.h"
#include "platform/trim.h"

namespace ztl::ui {

AccountFields readAccountFields(const Program& program) {
    auto get = [&](const char* key) {
        return program.settings ? program.settings->get(kSettingsApp, program.settingsSection, key, "") : "";
    };
    return {get(key::kReceivablesName), get(key::kPayablesName), get(key::kSalesTaxName)};
}

void saveFieldSetting(Program& program, const std::string& controlName, const char* key,
                      const std::string& text) {
    try {
        if (program.settings)
            program.settings->set(kSettingsApp, program.settingsSection, key, trimmed(text));
    } catch (const std::exception& ex) {
        program.showMessage(
            moduleErrorReport("Error in module " + controlName + "_LostFocus", toVbError(ex)));
    }
}

bool storeAccountField(Program& program, const std::string& controlName, const std::string& text) {
    const char* name = controlName == "txtARImport"     ? key::kReceivablesName
                       : controlName == "txtVendImport" ? key::kPayablesName
                       : controlName == "txtTaxImp"     ? key::kSalesTaxName
                                                        : nullptr;
    if (!name) return false;
    const EntityNames before = storedEntityNames(program);
    saveFieldSetting(program, controlName, name, text);
    return storedEntityNames(program) != before;
}

}  // namespace ztl::ui
