#include "qbwc/soap_http_server.h"

#include <httplib.h>

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <stdexcept>
#include <vector>

#include "qbwc/soap_dispatch.h"

namespace ztl::qbwc {

namespace {

// Serves accepted connections on a fixed number of threads. With every thread busy and as
// many connections waiting, the accepting thread waits too, so the system's listen queue
// holds (and finally refuses) the rest instead of this process growing without bound.
class BoundedPool : public httplib::TaskQueue {
  public:
    explicit BoundedPool(std::size_t threads) : capacity_(threads) {
        for (std::size_t i = 0; i < threads; ++i) workers_.emplace_back([this] { work(); });
    }
    void enqueue(std::function<void()> fn) override {
        std::unique_lock lock(mutex_);
        room_.wait(lock, [&] { return jobs_.size() < capacity_ || shutdown_; });
        jobs_.push_back(std::move(fn));
        ready_.notify_one();
    }
    void shutdown() override {
        {
            std::lock_guard lock(mutex_);
            shutdown_ = true;
        }
        ready_.notify_all();
        room_.notify_all();
        for (auto& t : workers_) t.join();
    }

  private:
    void work() {
        for (;;) {
            std::function<void()> fn;
            {
                std::unique_lock lock(mutex_);
                ready_.wait(lock, [&] { return !jobs_.empty() || shutdown_; });
                if (jobs_.empty()) return;  // shut down with nothing left to serve
                fn = std::move(jobs_.front());
                jobs_.pop_front();
            }
            room_.notify_one();
            fn();
        }
    }
    const std::size_t capacity_;
    std::mutex mutex_;
    std::condition_variable ready_, room_;
    std::deque<std::function<void()>> jobs_;
    std::vector<std::thread> workers_;
    bool shutdown_ = false;
};

constexpr const char* kSupportText = "Zentrel's QuickBooks Web Connector service is running.\n";

}  // namespace

SoapHttpServer::SoapHttpServer(WebConnectorService& service, HttpServiceOptions options)
    : service_(service), options_(std::move(options)) {}

SoapHttpServer::~SoapHttpServer() {
    stop();
}

bool SoapHttpServer::usesTls() const {
    return !options_.certificateFile.empty();
}

void SoapHttpServer::start() {
    const std::string& host = options_.listen.host;
    if (options_.certificateFile.empty() != options_.privateKeyFile.empty())
        throw std::runtime_error("HTTPS needs both a certificate and its private key");
    if (usesTls()) {
        auto tls = std::make_unique<httplib::SSLServer>(options_.certificateFile.c_str(),
                                                        options_.privateKeyFile.c_str());
        if (!tls->is_valid())
            throw std::runtime_error("the certificate " + options_.certificateFile + " and key " +
                                     options_.privateKeyFile + " cannot be used for HTTPS");
        server_ = std::move(tls);
    } else {
        if (!isLoopbackHost(host))
            throw std::runtime_error(
                "without a certificate the service listens only on a loopback address, not " + host +
                ": the Web Connector's password would cross the network readable");
        server_ = std::make_unique<httplib::Server>();
    }

    const std::size_t threads = static_cast<std::size_t>(std::max(1, options_.maxConnections));
    server_->new_task_queue = [threads] { return new BoundedPool(threads); };
    server_->set_payload_max_length(options_.limits.maxBytes);
    server_->set_read_timeout(options_.readTimeout.count(), 0);
    server_->set_write_timeout(options_.readTimeout.count(), 0);
    // Short: the Web Connector pauses 5 s between polls anyway, and stopping waits for it.
    server_->set_keep_alive_timeout(2);
    // Each call is a small request answered at once: Nagle's delay would only add latency.
    server_->set_tcp_nodelay(true);

    const XmlLimits limits = options_.limits;
    WebConnectorService& service = service_;
    server_->Post(".*", [&service, limits](const httplib::Request& req, httplib::Response& res) {
        SoapReply reply = answerSoapPost(service, req.body, req.get_header_value("SOAPAction"), limits);
        res.status = reply.status;
        res.set_content(reply.body, "text/xml; charset=utf-8");
    });
    server_->Get(".*", [](const httplib::Request&, httplib::Response& res) {
        res.set_content(kSupportText, "text/plain; charset=utf-8");
    });

    if (options_.listen.port == 0) {
        port_ = server_->bind_to_any_port(host);
        if (port_ < 0) port_ = 0;
    } else if (server_->bind_to_port(host, options_.listen.port)) {
        port_ = options_.listen.port;
    }
    if (port_ == 0) {
        server_.reset();
        throw std::runtime_error("cannot listen on " + host + ":" + std::to_string(options_.listen.port) +
                                 " (in use, or not an address of this machine)");
    }
    thread_ = std::thread([this] { server_->listen_after_bind(); });
}

void SoapHttpServer::stop() {
    if (server_) server_->stop();
    if (thread_.joinable()) thread_.join();
}

}  // namespace ztl::qbwc
