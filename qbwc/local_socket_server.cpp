#include "qbwc/local_socket_server.h"

#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>
#include <stdexcept>

#include "platform/request_processor.h"
#include "qbwc/bridge_errors.h"
#include "qbwc/bridge_settings.h"
#include "qbwc/late_answer.h"
#include "qbwc/local_channel.h"

namespace ztl::qbwc {

namespace {

// The program's side of a wait: a Cancel it sends, or its going away, ends the wait.
class ClientWait : public QuickBooksWait {
  public:
    explicit ClientWait(int fd) : fd_(fd) {}
    bool waiting(const std::string& what, std::chrono::milliseconds) override {
        if (what != shown_) {
            shown_ = what;
            if (!sendFrame(fd_, 'w', what)) gone_ = true;
        }
        if (!gone_ && !cancelled_ && readable(fd_, std::chrono::milliseconds(0))) {
            std::optional<Frame> f = readFrame(fd_);
            if (!f)
                gone_ = true;
            else if (f->type == 'C')
                cancelled_ = true;
        }
        return !gone_ && !cancelled_;
    }
    void done() override {}
    bool gone() const { return gone_; }

  private:
    int fd_;
    std::string shown_;
    bool gone_ = false;
    bool cancelled_ = false;
};

std::string errorPayload(const VbError& e) {
    return std::to_string(e.number) + "\n" + e.description;
}

}  // namespace

LocalSocketServer::LocalSocketServer(WebConnectorService& service, std::filesystem::path path,
                                     WebConnectorService::NoteSink note)
    : service_(service), path_(std::move(path)), note_(std::move(note)) {}

LocalSocketServer::~LocalSocketServer() {
    stop();
}

void LocalSocketServer::start() {
    if (path_.empty())
        throw std::runtime_error("XDG_RUNTIME_DIR is not set: the programs could not find the service");
    std::filesystem::path folder = path_.parent_path();
    std::error_code ec;
    // A folder made here is the service's own and becomes owner-only; one that was there
    // (the runtime folder, or a shared one such as /tmp) keeps its rights: the socket itself
    // is owner-only, and taking other accounts' rights to a shared folder breaks them.
    if (std::filesystem::create_directories(folder, ec) && ::chmod(folder.c_str(), 0700) != 0)
        throw std::runtime_error("cannot make the folder " + folder.string() + " owner-only");
    if (int other = connectLocal(path_); other >= 0) {
        ::close(other);
        throw std::runtime_error("a Web Connector service already runs for this address (" + path_.string() +
                                 ")");
    }
    ::unlink(path_.c_str());  // left by a service that did not end cleanly
    sockaddr_un a{};
    a.sun_family = AF_UNIX;
    if (path_.native().size() >= sizeof a.sun_path) throw std::runtime_error("the socket path is too long");
    std::strcpy(a.sun_path, path_.c_str());
    listenFd_ = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    mode_t old = ::umask(0177);
    int bound = ::bind(listenFd_, reinterpret_cast<sockaddr*>(&a), sizeof a);
    ::umask(old);
    if (bound != 0 || ::chmod(path_.c_str(), 0600) != 0 || ::listen(listenFd_, 16) != 0) {
        ::close(listenFd_);
        listenFd_ = -1;
        throw std::runtime_error("cannot make the socket " + path_.string() + ": " + std::strerror(errno));
    }
    acceptor_ = std::thread([this] { acceptLoop(); });
}

void LocalSocketServer::joinFinished() {
    std::vector<std::thread> done;
    {
        std::lock_guard lock(mutex_);
        for (std::uint64_t id : finished_) {
            done.push_back(std::move(threads_[id]));
            threads_.erase(id);
        }
        finished_.clear();
    }
    for (auto& t : done) t.join();
}

void LocalSocketServer::acceptLoop() {
    while (!stopping_) {
        joinFinished();
        if (!readable(listenFd_, std::chrono::milliseconds(200))) continue;
        int fd = ::accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd < 0) continue;
        std::lock_guard lock(mutex_);
        clients_.insert(fd);
        std::uint64_t id = nextId_++;
        threads_[id] = std::thread([this, fd, id] {
            serve(fd);
            std::lock_guard done(mutex_);
            finished_.push_back(id);
        });
    }
}

void LocalSocketServer::serve(int fd) {
    bool open = false;
    WebConnectorService::ProgramTimeout programWait;  // what the program's 'O' asked for
    while (std::optional<Frame> f = readFrame(fd)) {
        ClientWait wait(fd);
        try {
            switch (f->type) {
                case 'O':
                    if (auto seconds = parseTimeoutSeconds(f->payload)) programWait = std::chrono::seconds(*seconds);
                    if (!open) service_.openConnection(&wait, programWait);
                    open = true;
                    sendFrame(fd, 'o', service_.companyFile());
                    break;
                case 'N':
                    sendFrame(fd, 'n', service_.companyFile());
                    break;
                case 'S': {
                    std::size_t zero = f->payload.find('\0');
                    std::string company = f->payload.substr(0, zero);
                    std::string request =
                        zero == std::string::npos ? std::string() : f->payload.substr(zero + 1);
                    std::string answer = service_.submit(request, company, &wait, programWait);
                    if (!sendFrame(fd, 'a', answer) && note_)
                        note_("a late answer came for a program that had gone away: " +
                              describeAnswer(answer, "", ""));
                    break;
                }
                case 'R':
                    if (open) service_.releaseConnection();
                    open = false;
                    sendFrame(fd, 'r');
                    break;
                case 'C':
                    break;  // a Cancel that came after its call was answered
                case 'T':
                case 'L': {
                    auto& control = f->type == 'T' ? status_ : reload_;
                    try {
                        if (!control) throw std::runtime_error("not offered by this service");
                        sendFrame(fd, f->type == 'T' ? 't' : 'l', control());
                    } catch (const std::runtime_error& e) {
                        sendFrame(fd, 'e', errorPayload(VbError(hresult::kCouldNotAccess, kBridgeSource, e.what())));
                    }
                    break;
                }
                default:
                    sendFrame(fd, 'e',
                              errorPayload(
                                  VbError(hresult::kCouldNotAccess, kBridgeSource, "Could not access QuickBooks.")));
            }
        } catch (const VbError& e) {
            sendFrame(fd, 'e', errorPayload(e));
        }
        if (wait.gone()) break;
    }
    if (open) service_.releaseConnection();
    std::lock_guard lock(mutex_);
    if (clients_.erase(fd)) ::close(fd);
}

void LocalSocketServer::stop() {
    stopping_ = true;
    if (acceptor_.joinable()) acceptor_.join();
    if (listenFd_ >= 0) {
        ::close(listenFd_);
        listenFd_ = -1;
        ::unlink(path_.c_str());
    }
    std::map<std::uint64_t, std::thread> threads;
    {
        std::lock_guard lock(mutex_);
        for (int fd : clients_) ::shutdown(fd, SHUT_RDWR);
        threads.swap(threads_);
    }
    for (auto& [id, t] : threads) t.join();
}

}  // namespace ztl::qbwc
