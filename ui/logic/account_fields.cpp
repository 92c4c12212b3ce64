#include "ui/logic/account_fields.h"

#include "platform/error_report.h"
#include "platform/trim.h"

namespace ztl::ui {

AccountFields readAccountFields(const Program& program) {
    auto get = [&](const char* key) {
        return program.settings ? program.settings->get(kSettingsApp, program.settingsSection, key, "") : "";
    };
    return {get(kARImportAccount), get(kVendorImportAccount), get(kTaxImportAccount)};
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

}  // namespace ztl::ui
