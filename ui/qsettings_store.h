#pragma once
// The per-user settings store on QSettings, INI format, organisation "ZTL": one file per
// application name under the user's configuration folder, shared by the programs and ztl.
// QSettings nests on '/' only and keeps a '\' literally, so a value's address comes from
// settingsKeyPath, which turns every backslash of a section into '/' first:
// "ZentrelMS\Settings\" + "/home/op/Shop.qbw" nests as ZentrelMS, Settings, home, op,
// Shop.qbw, as the registry nests a Windows path.
#include "platform/settings_store.h"

namespace ztl {

class QSettingsStore : public SettingsStore {
  public:
    std::string get(const std::string& app, const std::string& section, const std::string& key,
                    const std::string& def = {}) const override;
    void set(const std::string& app, const std::string& section, const std::string& key,
             const std::string& value) override;
};

}  // namespace ztl
