#include "engine/company/import_settings.h"

#include "engine/company/settings_keys.h"
#include "engine/posting/posted_entries.h"

namespace ztl {

bool duplicateGuardOn(const Program& program) {
    if (program.duplicateCheckOff) return false;
    if (!program.settings) return true;
    return !sameQuickBooksName(
        program.settings->get(kSettingsApp, program.settingsSection, key::kDuplicateCheck, ""), "off");
}

EntityNames storedEntityNames(const Program& program) {
    if (!program.settings) return {};
    auto get = [&](const char* name) { return program.settings->get(kSettingsApp, program.settingsSection, name, ""); };
    return {get(key::kReceivablesName), get(key::kPayablesName), get(key::kSalesTaxName)};
}

}  // namespace ztl
