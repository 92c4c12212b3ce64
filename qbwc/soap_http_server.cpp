#include "qbwc/soap_http_server.h"

#include <utility>

#include <boost/asio.hpp>
#include <boost/asio/ssl.hpp>
#include <boost/beast/core.hpp>
#include <boost/beast/http.hpp>
#include <boost/beast/ssl.hpp>

#include <array>
#include <atomic>
#include <optional>
#include <vector>
#include <stdexcept>
#include <thread>

#include "qbwc/soap_dispatch.h"

namespace ztl::qbwc {

namespace asio = boost::asio;
namespace beast = boost::beast;
namespace http = beast::http;
using tcp = asio::ip::tcp;

namespace {

constexpr const char* kSupportText = "Zentrel's QuickBooks Web Connector service is running.\n";
constexpr std::size_t kHeaderLimit = 16 * 1024;

bool isIdentityEncoding(beast::string_view value) {
    return value.empty() || beast::iequals(value, "identity");
}

std::shared_ptr<asio::ssl::context> tlsContext(const std::string& certificate, const std::string& key) {
    auto tls = std::make_shared<asio::ssl::context>(asio::ssl::context::tls_server);
    tls->set_options(asio::ssl::context::default_workarounds | asio::ssl::context::no_sslv2 |
                     asio::ssl::context::no_sslv3 | asio::ssl::context::no_tlsv1 | asio::ssl::context::no_tlsv1_1);
    beast::error_code ec;
    tls->use_certificate_chain_file(certificate, ec);
    if (!ec) tls->use_private_key_file(key, asio::ssl::context::pem, ec);
    if (ec || SSL_CTX_check_private_key(tls->native_handle()) != 1)
        throw std::runtime_error("the certificate " + certificate + " and key " + key +
                                 " cannot be used for HTTPS");
    return tls;
}

}  // namespace

struct SoapHttpServer::Impl {
    // What the connections still queued in the loop use as they are destroyed with it
    // comes first, so that it is destroyed after them.
    std::atomic<int> open{0};
    std::atomic<int> answering{0};  // connections between a request read and its answer written
    bool draining = false;          // on the loop only: delayed answers go out at once
    std::vector<std::weak_ptr<asio::steady_timer>> delays;  // on the loop only
    std::shared_ptr<asio::ssl::context> tls;  // on the loop only once serving; replaced on reload
    asio::io_context io{1};
    // The loop runs until stopped, even with nothing to wait for on it: while a worker makes a
    // SOAP call its connection waits for nothing, and the acceptor is closed at the end.
    asio::executor_work_guard<asio::io_context::executor_type> keepRunning{io.get_executor()};
    tcp::acceptor acceptor{io};
    asio::thread_pool workers;
    std::thread loop;
    WebConnectorService& service;
    const HttpServiceOptions& options;

    Impl(WebConnectorService& s, const HttpServiceOptions& o)
        : workers(static_cast<std::size_t>(std::max(1, o.workers))), service(s), options(o) {}
    ~Impl() { workers.join(); }

    void accept();
};

namespace {

// One connection: one request, one answer, closed. Lives on the event loop; only the SOAP
// call itself runs on a worker.
template <class Stream>
class Connection : public std::enable_shared_from_this<Connection<Stream>> {
  public:
    Connection(SoapHttpServer::Impl& server, std::shared_ptr<void> keep, Stream stream, std::string peer)
        : server_(server), keep_(std::move(keep)), stream_(std::move(stream)), peer_(std::move(peer)) {
        ++server_.open;
    }
    ~Connection() {
        answered();
        --server_.open;
    }

    void start() {
        // One deadline for all of the request, however it is dripped.
        lowest().expires_after(server_.options.requestDeadline);
        if constexpr (kTls) {
            stream_.async_handshake(asio::ssl::stream_base::server,
                                    [self = this->shared_from_this()](beast::error_code ec) {
                                        if (!ec) self->readHeader();
                                    });
        } else {
            readHeader();
        }
    }

  private:
    static constexpr bool kTls = !std::is_same_v<Stream, beast::tcp_stream>;

    beast::tcp_stream& lowest() { return beast::get_lowest_layer(stream_); }

    void readHeader() {
        parser_.emplace();
        parser_->header_limit(kHeaderLimit);
        parser_->body_limit(server_.options.limits.maxBytes);
        http::async_read_header(
            stream_, buffer_, *parser_,
            [self = this->shared_from_this()](beast::error_code ec, std::size_t) { self->onHeader(ec); });
    }

    void onHeader(beast::error_code ec) {
        if (ec == http::error::body_limit) return answer(413, "text/plain", "request body too large\n");
        if (ec) return;  // dropped: too slow, malformed or gone
        // From here on the client waits for an answer: the end of the server waits for it too.
        answering_ = true;
        ++server_.answering;
        auto& req = parser_->get();
        console_ = server_.options.console && isConsoleTarget(std::string(req.target()));
        if (req.method() == http::verb::get && console_) return callConsole();
        if (req.method() == http::verb::get)
            return answer(200, "text/plain; charset=utf-8", kSupportText);
        if (req.method() != http::verb::post) return answer(405, "text/plain", "only GET and POST\n");
        // Inflating a body is how a small request becomes a huge one: never.
        if (!isIdentityEncoding(req[http::field::content_encoding]))
            return answer(415, "text/plain", "compressed request bodies are not accepted\n");
        if (console_) {
            const std::size_t limit = server_.options.consoleBodyLimit;
            if (parser_->content_length() && *parser_->content_length() > limit)
                return answer(413, "text/plain", "request body too large\n");
            parser_->body_limit(limit);  // a chunked body is stopped as it passes the limit
        }
        if (beast::iequals(req[http::field::expect], "100-continue")) {
            auto cont = std::make_shared<http::response<http::empty_body>>(http::status::continue_, 11);
            http::async_write(stream_, *cont,
                              [self = this->shared_from_this(), cont](beast::error_code e, std::size_t) {
                                  if (!e) self->readBody();
                              });
            return;
        }
        readBody();
    }

    void readBody() {
        http::async_read(
            stream_, buffer_, *parser_,
            [self = this->shared_from_this()](beast::error_code ec, std::size_t) { self->onBody(ec); });
    }

    void onBody(beast::error_code ec) {
        if (ec == http::error::body_limit) return answer(413, "text/plain", "request body too large\n");
        if (ec) return;
        lowest().expires_never();  // a held call may take its time; the client waits for it
        if (console_) return callConsole();
        auto& req = parser_->get();
        std::string action(req[beast::string_view("SOAPAction")]);
        asio::post(server_.workers, [self = this->shared_from_this(), body = std::move(req.body()),
                                     action = std::move(action)]() mutable {
            SoapReply reply = answerSoapPost(self->server_.service, body, action,
                                             self->server_.options.limits, self->peer_);
            asio::post(self->stream_.get_executor(),
                       [self, reply = std::move(reply)]() mutable { self->delayed(std::move(reply)); });
        });
    }

    // The console answers on a worker: signing in checks a password the slow way.
    void callConsole() {
        lowest().expires_never();
        auto& req = parser_->get();
        ConsoleRequest request{std::string(req.method_string()), std::string(req.target()),
                               std::string(req[http::field::cookie]), std::string(req[http::field::content_type]),
                               std::move(req.body()), peer_, kTls};
        asio::post(server_.workers, [self = this->shared_from_this(), request = std::move(request)]() mutable {
            ConsoleReply reply;
            try {
                reply = self->server_.options.console(request, self->server_.service);
            } catch (const std::exception&) {
                reply = {500, "text/plain; charset=utf-8", "the console cannot answer now\n", {}};
            }
            asio::post(self->stream_.get_executor(), [self, reply = std::move(reply)]() mutable {
                self->answer(reply.status, reply.contentType, std::move(reply.body), std::move(reply.headers));
            });
        });
    }

    // A refused password is answered late, without a thread waiting for it; at once when the
    // server is ending, so that the Web Connector still reads "nvu" rather than a closed connection.
    void delayed(SoapReply reply) {
        if (reply.delay.count() <= 0 || server_.draining)
            return answer(reply.status, "text/xml; charset=utf-8", reply.body);
        auto timer = std::make_shared<asio::steady_timer>(stream_.get_executor(), reply.delay);
        std::erase_if(server_.delays, [](const auto& d) { return d.expired(); });
        server_.delays.push_back(timer);
        timer->async_wait(
            [self = this->shared_from_this(), timer, reply = std::move(reply)](beast::error_code) {
                self->answer(reply.status, "text/xml; charset=utf-8", reply.body);
            });
    }

    void answer(int status, std::string_view contentType, std::string body,
                std::vector<std::pair<std::string, std::string>> headers = {}) {
        response_.result(static_cast<unsigned>(status));
        response_.version(11);
        response_.set(http::field::server, "Zentrel");
        response_.set(http::field::content_type, contentType);
        for (auto& [name, value] : headers) response_.insert(name, value);
        response_.keep_alive(false);
        response_.body() = std::move(body);
        response_.prepare_payload();
        lowest().expires_after(server_.options.writeDeadline);
        http::async_write(
            stream_, response_,
            [self = this->shared_from_this()](beast::error_code ec, std::size_t) { self->close(ec); });
    }

    void answered() {
        if (answering_) --server_.answering;
        answering_ = false;
    }

    void close(beast::error_code ec) {
        answered();
        if constexpr (kTls) {
            if (!ec) {
                lowest().expires_after(std::chrono::seconds(2));
                stream_.async_shutdown([self = this->shared_from_this()](beast::error_code) {
                    beast::error_code ignored;
                    self->lowest().socket().close(ignored);
                });
                return;
            }
        }
        beast::error_code ignored;
        lowest().socket().shutdown(tcp::socket::shutdown_send, ignored);
        if (ec || (parser_ && parser_->is_done())) return lowest().socket().close(ignored);
        // Refused before its body was read: what the client still sends is read and
        // dropped for a moment, so that closing does not reset the connection under the
        // answer before the client has read it.
        lowest().expires_after(std::chrono::seconds(2));
        drain();
    }

    void drain() {
        lowest().async_read_some(asio::buffer(scratch_),
                                 [self = this->shared_from_this()](beast::error_code ec, std::size_t) {
                                     if (!ec) return self->drain();
                                     beast::error_code ignored;
                                     self->lowest().socket().close(ignored);
                                 });
    }

    SoapHttpServer::Impl& server_;
    std::shared_ptr<void> keep_;  // the TLS context the stream was made with, outliving it
    Stream stream_;
    std::string peer_;
    beast::flat_buffer buffer_;
    std::optional<http::request_parser<http::string_body>> parser_;
    http::response<http::string_body> response_;
    std::array<char, 4096> scratch_{};
    bool answering_ = false;
    bool console_ = false;  // the request is the console's
};

}  // namespace

void SoapHttpServer::Impl::accept() {
    acceptor.async_accept(asio::make_strand(io), [this](beast::error_code ec, tcp::socket socket) {
        if (ec == asio::error::operation_aborted || !acceptor.is_open()) return;
        if (!ec) {
            beast::error_code ignored;
            socket.set_option(tcp::no_delay(true), ignored);
            if (open.load() >= options.maxConnections) {
                socket.close(ignored);
            } else {
                std::string peer = socket.remote_endpoint(ignored).address().to_string();
                beast::tcp_stream stream(std::move(socket));
                if (auto context = tls)
                    std::make_shared<Connection<beast::ssl_stream<beast::tcp_stream>>>(
                        *this, context, beast::ssl_stream<beast::tcp_stream>(std::move(stream), *context), peer)
                        ->start();
                else
                    std::make_shared<Connection<beast::tcp_stream>>(*this, nullptr, std::move(stream), peer)
                        ->start();
            }
        }
        accept();
    });
}

SoapHttpServer::SoapHttpServer(WebConnectorService& service, HttpServiceOptions options)
    : service_(service), options_(std::move(options)) {}

SoapHttpServer::~SoapHttpServer() {
    stop();
}

bool SoapHttpServer::usesTls() const {
    return !options_.certificateFile.empty();
}

std::string SoapHttpServer::url() const {
    const std::string& host = options_.listen.host;
    std::string shown = host.find(':') != std::string::npos ? "[" + host + "]" : host;
    return std::string(usesTls() ? "https://" : "http://") + shown + ":" + std::to_string(port_) + "/";
}

void SoapHttpServer::start() {
    const std::string& host = options_.listen.host;
    const std::string where = host + ":" + std::to_string(options_.listen.port);
    if (options_.certificateFile.empty() != options_.privateKeyFile.empty())
        throw std::runtime_error("HTTPS needs both a certificate and its private key");
    if (!usesTls() && !isLoopbackHost(host))
        throw std::runtime_error(
            "without a certificate the service listens only on a loopback address, not " + host +
            ": the Web Connector's password would cross the network readable");
    auto impl = std::make_unique<Impl>(service_, options_);
    if (usesTls()) impl->tls = tlsContext(options_.certificateFile, options_.privateKeyFile);

    beast::error_code ec;
    tcp::resolver resolver(impl->io);
    auto endpoints = resolver.resolve(host, std::to_string(options_.listen.port),
                                      tcp::resolver::passive | tcp::resolver::numeric_service, ec);
    if (ec || endpoints.empty())
        throw std::runtime_error("cannot listen on " + where + ": " + host +
                                 " is not an address of this machine");
    tcp::endpoint endpoint = endpoints.begin()->endpoint();
    impl->acceptor.open(endpoint.protocol(), ec);
    // SO_REUSEADDR only, so that a restart need not wait for old connections to time out;
    // never SO_REUSEPORT: a second bridge must not share the port and split the calls.
    if (!ec) impl->acceptor.set_option(tcp::acceptor::reuse_address(true), ec);
    if (!ec) impl->acceptor.bind(endpoint, ec);
    if (ec == asio::error::address_in_use)
        throw std::runtime_error(
            "cannot listen on " + where +
            ": the port is already served, by another Zentrel program or the Web "
            "Connector service (ztl qbwc service), or by another program; one bridge per port");
    if (ec)
        throw std::runtime_error("cannot listen on " + where +
                                 " (not an address of this machine): " + ec.message());
    impl->acceptor.listen(asio::socket_base::max_listen_connections, ec);
    if (ec) throw std::runtime_error("cannot listen on " + where + ": " + ec.message());
    port_ = impl->acceptor.local_endpoint().port();
    impl->accept();
    Impl* raw = impl.get();
    impl->loop = std::thread([raw] { raw->io.run(); });
    impl_ = std::move(impl);
}

void SoapHttpServer::reloadCertificate(const std::string& certificate, const std::string& key) {
    if (certificate.empty() != key.empty())
        throw std::runtime_error("HTTPS needs both a certificate and its private key");
    if (certificate.empty() != options_.certificateFile.empty())
        throw std::runtime_error(std::string("the service serves ") + (usesTls() ? "https" : "http") +
                                 "; switching between http and https needs a restart of the service");
    if (certificate.empty()) return;
    auto context = tlsContext(certificate, key);
    options_.certificateFile = certificate;
    options_.privateKeyFile = key;
    if (!impl_) return;
    Impl* raw = impl_.get();
    asio::post(raw->io, [raw, context] { raw->tls = context; });
}

void SoapHttpServer::stop() {
    if (!impl_) return;
    // Every call already read is answered before the loop stops: the answer to the Web
    // Connector's closeConnection, a refusal held back, a call the service's end released.
    // New connections are no longer taken. Bounded: a client that does not read its answer
    // holds nothing up for long.
    Impl* raw = impl_.get();
    asio::post(raw->io, [raw] {
        raw->draining = true;
        beast::error_code ignored;
        raw->acceptor.close(ignored);
        for (auto& d : raw->delays)
            if (auto timer = d.lock()) timer->cancel();
        raw->delays.clear();
    });
    const auto until = std::chrono::steady_clock::now() + options_.drainDeadline;
    while (raw->answering.load() > 0 && std::chrono::steady_clock::now() < until)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    impl_->io.stop();
    if (impl_->loop.joinable()) impl_->loop.join();
    beast::error_code ignored;
    impl_->acceptor.close(ignored);
    // The calls still held end with the service's stop; nothing queued is started.
    impl_->workers.stop();
    impl_->workers.join();
    impl_.reset();
}

}  // namespace ztl::qbwc
