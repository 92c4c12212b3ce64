#pragma once
// The HTTP side of the service, on Boost.Beast: POST on any path is a SOAP call, GET on any
// path answers 200 (the Web Connector checks AppSupport that way); when a console is given,
// GET and POST under /console/ are its instead, their bodies bounded far lower. HTTPS with the
// certificate and key given; plain HTTP only on a loopback address.
//
// Built for the Web Connector's .NET client and for a network that is not:
// - every answer ends the connection ("Connection: close"), so the client never sends on
//   a connection the server has closed under it; "Expect: 100-continue" is answered at once;
// - a whole request (TLS handshake, headers, body) must arrive within `requestDeadline`,
//   a slow sender is dropped; connections are served by one event loop, the SOAP calls on
//   worker threads, so slow or idle connections never hold up a call;
// - bodies larger than the limit are refused before they are read (413), compressed
//   bodies are refused without being inflated (415);
// - the port is bound without sharing: a second bridge on it is refused at its start.
#include <chrono>
#include <functional>
#include <memory>
#include <string>

#include "qbwc/console/console_http.h"
#include "qbwc/listen_address.h"
#include "qbwc/web_connector_service.h"
#include "qbwc/xml_guard.h"

namespace ztl::qbwc {

// The bookkeeper's console, called on a worker with the whole request.
using ConsoleHandler = std::function<ConsoleReply(const ConsoleRequest&, WebConnectorService&)>;

struct HttpServiceOptions {
    ListenAddress listen;
    std::string certificateFile;  // both empty: plain HTTP
    std::string privateKeyFile;
    XmlLimits limits;
    int maxConnections = 64;  // open at once; beyond that a connection is closed unanswered
    int workers = 4;          // SOAP calls served at once; one Web Connector makes one at a time
    std::chrono::milliseconds requestDeadline{10000};
    std::chrono::milliseconds writeDeadline{30000};
    std::chrono::milliseconds drainDeadline{3000};  // the end waits this long for answers being written
    ConsoleHandler console;                         // empty: /console/ is served as any other path
    std::size_t consoleBodyLimit = 64 * 1024;       // a form of the console is a few fields
};

class SoapHttpServer {
  public:
    SoapHttpServer(WebConnectorService& service, HttpServiceOptions options);
    ~SoapHttpServer();
    SoapHttpServer(const SoapHttpServer&) = delete;
    SoapHttpServer& operator=(const SoapHttpServer&) = delete;

    // Binds the address and serves on a thread of its own. Throws std::runtime_error
    // saying why it cannot (a refused plain address, an unusable certificate, a port in use).
    void start();
    void stop();
    // Connections from now on use this certificate and key; those open keep theirs. Throws
    // std::runtime_error when they cannot be used, or would switch between http and https.
    void reloadCertificate(const std::string& certificate, const std::string& key);
    int port() const { return port_; }
    bool usesTls() const;
    // The address the Web Connector is to call, "https://host:port/".
    std::string url() const;

    struct Impl;  // the event loop and its connections; known only to the implementation

  private:
    WebConnectorService& service_;
    HttpServiceOptions options_;
    std::unique_ptr<Impl> impl_;
    int port_ = 0;
};

}  // namespace ztl::qbwc
