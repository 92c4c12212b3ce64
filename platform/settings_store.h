#pragma once
// Per-user text settings addressed by application, section and key. A value never written
// reads as the caller's default. A backslash in a section nests, as registry keys do.
#include <map>
#include <string>
#include <tuple>

namespace ztl {

class SettingsStore {
  public:
    virtual ~SettingsStore() = default;
    virtual std::string get(const std::string& app, const std::string& section, const std::string& key,
                            const std::string& def = {}) const = 0;
    virtual void set(const std::string& app, const std::string& section, const std::string& key,
                     const std::string& value) = 0;
};

// Settings held in memory for the life of the object: for tests and for runs that must
// leave the user's settings alone.
class MemorySettingsStore : public SettingsStore {
  public:
    std::string get(const std::string& app, const std::string& section, const std::string& key,
                    const std::string& def = {}) const override;
    void set(const std::string& app, const std::string& section, const std::string& key,
             const std::string& value) override;

  private:
    std::map<std::tuple<std::string, std::string, std::string>, std::string> values_;
};

// The application name every program of the system stores its settings under.
inline constexpr const char* kSettingsApp = "ZTL";

}  // namespace ztl
