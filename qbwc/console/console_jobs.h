#pragma once
// The programs the console starts for the bookkeeper (ztl post, ztl reconcile, ztl undo of
// one store): each a child process of the service, started without a shell from a list of
// arguments, its standard output and error caught together, kept in memory with its exit
// status for the job's page. One job of a kind per store runs at a time. Every child is
// waited for as it ends, so none lingers as a zombie; the service stopping does not stop
// them (the service manager decides that).
//
// Thread-safe: the HTTP server's workers start and read jobs while their watchers write.
#include <chrono>
#include <cstddef>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace ztl::qbwc {

struct JobRequest {
    std::string kind;        // "post", "reconcile", "undo": one of a kind per store at a time
    std::string storeKey;    // the store's address key
    std::string storeLabel;  // "Store 12"
    std::string what;        // in the bookkeeper's words: "Post the pending days of Store 12"
    std::vector<std::string> arguments;  // after the program's own name: {"post", "/mnt/.../12X390.QB"}
};

// A job as it stands when asked.
struct JobView {
    std::string id;
    JobRequest request;
    std::chrono::system_clock::time_point started;
    std::optional<std::chrono::system_clock::time_point> ended;
    std::optional<int> exitStatus;  // ended by itself
    std::optional<int> signal;      // ended by a signal
    std::string output;             // standard output and error as they came, bounded
    bool running() const { return !ended.has_value(); }
};

struct JobsSetup {
    std::filesystem::path program;  // started with each job's arguments
    std::size_t keep = 50;          // ended jobs kept, the newest; running ones always are
    std::size_t outputLimit = 256 * 1024;
    // Told of every job that ended, from its watcher's thread.
    std::function<void(const JobView&)> ended = {};
};

class ConsoleJobs {
  public:
    explicit ConsoleJobs(JobsSetup setup);

    struct Started {
        std::optional<JobView> job;         // started
        std::optional<JobView> running;     // refused: the job of that kind and store still running
        std::string failure;                // refused: the program could not be started, why
    };
    Started start(const JobRequest& request);
    std::optional<JobView> find(const std::string& id) const;
    // The job of this kind that runs for the store now, if one does.
    std::optional<JobView> running(const std::string& kind, const std::string& storeKey) const;

  private:
    struct Job;
    struct Shared;
    std::shared_ptr<Shared> shared_;  // the watchers hold it too: a job may outlive the console
};

// The output as kept: the first part and the last, with a line in between saying how much of
// the middle was left out when the whole did not fit `limit` bytes.
class BoundedOutput {
  public:
    explicit BoundedOutput(std::size_t limit) : headLimit_(limit - limit / 4), tailLimit_(limit / 4) {}
    void append(const char* data, std::size_t size);
    std::string text() const;

  private:
    std::size_t headLimit_, tailLimit_;
    std::string head_, tail_;
    std::size_t leftOut_ = 0;
};

}  // namespace ztl::qbwc
