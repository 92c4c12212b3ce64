#pragma once
// Per-user text settings addressed by application, section and key. A value never written
// reads as the caller's default. A backslash in a section nests, as registry keys do.
#include <map>
#include <string>
#include <utility>

namespace ztl {

class SettingsStore {
  public:
    virtual ~SettingsStore() = default;
    virtual std::string get(const std::string& app, const std::string& section, const std::string& key,
                            const std::string& def = {}) const = 0;
    virtual void set(const std::string& app, const std::string& section, const std::string& key,
                     const std::string& value) = 0;
};

// The group a section names: its levels joined by '/', a backslash nesting like '/', empty
// levels dropped ("ZentrelMS\Settings\" + "/home/op/Shop.qbw" is
// "ZentrelMS/Settings/home/op/Shop.qbw"). Letter case is kept: the settings files of this
// platform tell "Settings" from "settings", and so must every store.
std::string settingsGroup(const std::string& section);
// Where a value lives: the section's group and the key, as one '/'-separated path.
std::string settingsKeyPath(const std::string& section, const std::string& key);

// Settings held in memory for the life of the object: for tests and for runs that must
// leave the user's settings alone. It finds a value exactly where the QSettings store would.
class MemorySettingsStore : public SettingsStore {
  public:
    std::string get(const std::string& app, const std::string& section, const std::string& key,
                    const std::string& def = {}) const override;
    void set(const std::string& app, const std::string& section, const std::string& key,
             const std::string& value) override;

  private:
    std::map<std::pair<std::string, std::string>, std::string> values_;
};

// The application name every program of the system stores its settings under.
inline constexpr const char* kSettingsApp = "ZTL";

}  // namespace ztl
