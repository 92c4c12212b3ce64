#pragma once
// What the bookkeeper can do to a store from the console: post its pending days, drop a
// pending day, reconcile a posted day, undo a run. Each address shows on GET what will
// happen and a form; its POST does it. Drops happen at once, through the rule
// `ztl pending --drop` follows; the others start ztl as a job (console_jobs.h) whose page
// shows its output. Every action done goes to the operation log with the browser's address.
//
//   /console/stores/<key>/post                       post the pending days (ztl post)
//   /console/stores/<key>/pending/<YYYY-MM-DD>/drop  drop a pending day
//   /console/stores/<key>/reconcile                  reconcile a totals file (ztl reconcile)
//   /console/stores/<key>/undo                       the import logs of the store's runs
//   /console/stores/<key>/undo/<log file name>       undo one run (ztl undo --yes)
//   /console/jobs/<id>, /console/api/jobs/<id>       a job and its output
//
// A store is named by its key, looked up by `totalsFileOf`; a day, a log or a file is looked
// up in that store's own lists. Nothing from the request is used as a path.
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "platform/clock.h"
#include "qbwc/console/console_jobs.h"
#include "qbwc/console/console_route.h"

namespace ztl::qbwc {

struct ActionsSetup {
    // The totals file of the store with this key; none for a key no store has.
    std::function<std::optional<std::filesystem::path>(const std::string& key)> totalsFileOf;
    // The ztl the jobs start: the running executable when empty.
    std::filesystem::path program = {};
    // Where the timer's options are read (post_options.h): ~/.config/zentrel/post.env when empty.
    std::filesystem::path postEnvironment = {};
    // The operation log: the state folder's when empty.
    std::filesystem::path operationLog = {};
    // For the operation log's entries and the archive names of dropped days: the system's when none.
    std::shared_ptr<const Clock> clock = {};
};

class ConsoleActions {
  public:
    explicit ConsoleActions(ActionsSetup setup);

    // The answer to a visit of one of the addresses above; none for any other address.
    std::optional<ConsoleReply> answer(const ConsoleVisit& visit);

    const ConsoleJobs& jobs() const { return *jobs_; }

  private:
    struct Store;
    ConsoleReply post(const ConsoleVisit& visit, const Store& store);
    ConsoleReply drop(const ConsoleVisit& visit, const Store& store, const std::string& date);
    ConsoleReply reconcile(const ConsoleVisit& visit, const Store& store);
    ConsoleReply undoList(const ConsoleVisit& visit, const Store& store);
    ConsoleReply undo(const ConsoleVisit& visit, const Store& store, const std::string& logName);
    ConsoleReply job(const ConsoleVisit& visit, const std::string& id);
    ConsoleReply started(const ConsoleVisit& visit, const JobRequest& request, const std::string& note);
    std::vector<std::string> editionOptions() const;
    void note(const std::string& text) const;

    ActionsSetup setup_;
    std::unique_ptr<ConsoleJobs> jobs_;
};

}  // namespace ztl::qbwc
