#pragma once
// The per-user settings store on QSettings, INI format, organisation "ZTL": one file per
// application name under the user's configuration folder, shared by the programs and ztl.
// QSettings nests on '/' only and keeps a '\' literally, so every backslash of a section
// becomes '/' first: "ZentrelMS\Settings\" + "/home/op/Shop.qbw" nests as ZentrelMS,
// Settings, home, op, Shop.qbw, as the registry nests a Windows path.
#include "platform/settings_store.h"

namespace ztl {

class QSettingsStore : public SettingsStore {
  public:
    std::string get(const std::string& app, const std::string& section, const std::string& key,
                    const std::string& def = {}) const override;
    void set(const std::string& app, const std::string& section, const std::string& key,
             const std::string& value) override;
};

// The QSettings group of a section: backslashes as '/', no empty levels.
std::string settingsGroup(const std::string& section);

}  // namespace ztl
