#pragma once
// The stores and their nights as the console shows them: the stores that have a run history
// and the stores whose nightly timer is switched on; per store its totals file, the company it
// posts into, its pending days with why each is held, its runs (newest first, a page at a
// time), each run's days and import logs. The same data serves the pages and the JSON.
//
// A store, a run and a log are named by key, id and number, and looked up in the store's own
// history: nothing of an address is ever used as a path.
//
// Thread-safe: the console's workers share one.
#include <chrono>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "engine/unattended/run_history.h"

namespace ztl::qbwc {

// The key a store goes by in the console's addresses: the first 12 hex digits of the SHA-256
// of its totals file's path, as the timer names it.
std::string consoleStoreKey(const std::string& totalsPath);

struct ConsoleStoresSetup {
    std::filesystem::path runs;    // the run history's folder (run_history.h)
    std::filesystem::path timers;  // the enabled timers' folder (timer_stores.h)
    // The company file the store of this totals file last posted into; empty when none.
    std::function<std::string(const std::string& totalsPath)> companyOf;
    // The setting PostTime, "21:30", read anew at each look.
    std::function<std::string()> postTime;
};

// A day's import log as the run kept it.
struct KeptLog {
    std::string name;   // its own name beside the totals file ("2025-04-01 12QBImport.log")
    std::string bytes;  // as written: single-byte text
    std::string runUrl;
};

class ConsoleStores {
  public:
    static constexpr int kRunsPerPage = 50;

    explicit ConsoleStores(ConsoleStoresSetup setup);

    // {"stores": [...]}: every store, by label.
    nlohmann::json stores(std::chrono::system_clock::time_point now);
    // One store with its pending days and the runs of `page` (1 is the newest); none for a
    // key that is no known store's.
    std::optional<nlohmann::json> store(const std::string& key, int page, std::chrono::system_clock::time_point now);
    // One run with its days; none for an unknown key or id.
    std::optional<nlohmann::json> run(const std::string& key, const std::string& id);
    // The import log of the run's `number`-th day (from 1); none when the run kept none.
    std::optional<KeptLog> log(const std::string& key, const std::string& id, int number);
    // The totals file of the store with this key, as its timer or ztl post names it (what
    // ztl post is given again); none for a key no store has.
    std::optional<std::filesystem::path> totalsFileOf(const std::string& key);
    // For the status page: the last run that posted (any store) and each timer's next run.
    nlohmann::json glance(std::chrono::system_clock::time_point now);

  private:
    struct Known {
        std::string key;
        StoreOfRuns store;
        bool timer = false;
    };
    struct Parsed {
        std::uintmax_t size = 0;
        std::filesystem::file_time_type written;
        std::shared_ptr<const std::vector<RunEntry>> runs;  // oldest first
    };

    std::vector<Known> known();
    std::optional<Known> find(const std::string& key);
    std::shared_ptr<const std::vector<RunEntry>> runsOf(const std::string& key);
    nlohmann::json summary(const Known& store, const std::vector<RunEntry>& runs,
                           std::chrono::system_clock::time_point now);

    ConsoleStoresSetup setup_;
    std::mutex cacheLock_;
    std::map<std::string, Parsed> cache_;
};

}  // namespace ztl::qbwc
