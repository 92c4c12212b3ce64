#pragma once
// The service's end of the local socket (local_channel.h): every program connection is a
// connection of the service's own, served on a thread of its own, and released when the
// program closes it or goes away. A request still queued when its program goes away is
// withdrawn; one already handed out is waited for and its answer written to the log.
#include <atomic>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <mutex>
#include <set>
#include <thread>
#include <vector>

#include "qbwc/web_connector_service.h"

namespace ztl::qbwc {

class LocalSocketServer {
  public:
    LocalSocketServer(WebConnectorService& service, std::filesystem::path path,
                      WebConnectorService::NoteSink note);
    ~LocalSocketServer();

    // What 'T' (status) and 'L' (read the settings again) answer; set before start. Each
    // returns the answer's text or throws std::runtime_error saying why it cannot.
    void setControls(std::function<std::string()> status, std::function<std::string()> reload) {
        status_ = std::move(status);
        reload_ = std::move(reload);
    }

    // Binds the socket (owner-only, in an owner-only folder); throws std::runtime_error
    // when another service already answers there or it cannot be made.
    void start();
    void stop();
    const std::filesystem::path& path() const { return path_; }

  private:
    void acceptLoop();
    void serve(int fd);
    void joinFinished();

    WebConnectorService& service_;
    std::filesystem::path path_;
    WebConnectorService::NoteSink note_;
    std::function<std::string()> status_;
    std::function<std::string()> reload_;
    int listenFd_ = -1;
    std::atomic<bool> stopping_{false};
    std::thread acceptor_;
    std::mutex mutex_;
    std::set<int> clients_;
    std::map<std::uint64_t, std::thread> threads_;  // one per program connection
    std::vector<std::uint64_t> finished_;           // those whose program has gone
    std::uint64_t nextId_ = 0;
};

}  // namespace ztl::qbwc
