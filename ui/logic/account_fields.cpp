#include "ui/logic/account_fields.h"

#include "engine/company/import_settings.h"
#include "engine/company/settings_keys.h"
#include "platform/error_report.h"
#include "platform/trim.h"

namespace ztl::ui {

AccountFields readAccountFields(const Program& program) {
    // A setting never stored reads as this; one stored empty (cleared) as empty.
    static const std::string never = "\x01";
    auto get = [&](const char* key) {
        return program.settings ? program.settings->get(kSettingsApp, program.settingsSection, key, never)
                                : never;
    };
    AccountFields f{get(key::kReceivablesName), get(key::kPayablesName), get(key::kSalesTaxName)};
    const bool firstStart = f.ar == never && f.vendor == never && f.tax == never;
    for (std::string* value : {&f.ar, &f.vendor, &f.tax})
        if (*value == never) value->clear();
    if (firstStart)
        f.note =
            program.edition == Edition::MultiStore
                ? "No names are stored for this company yet. Type the customer for receivables lines and the "
                  "vendors for payables and sales-tax lines, as QuickBooks names them; each is kept for this "
                  "company when you leave its field."
                : "No names are stored yet. Type the customer for receivables lines and the vendors for "
                  "payables and sales-tax lines, as QuickBooks names them; each is kept when you leave its "
                  "field.";
    return f;
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
