#pragma once
// The HTTP side of the service, on cpp-httplib: POST on any path is a SOAP call, GET on any
// path answers 200 (the Web Connector checks AppSupport that way). HTTPS with the
// certificate and key given; plain HTTP only on a loopback address. Bodies larger than the
// limit are refused before they are read (413), and at most `maxConnections` connections are
// served at once: further ones wait in the system's listen queue.
#include <chrono>
#include <memory>
#include <string>
#include <thread>

#include "qbwc/listen_address.h"
#include "qbwc/web_connector_service.h"
#include "qbwc/xml_guard.h"

namespace httplib {
class Server;
}

namespace ztl::qbwc {

struct HttpServiceOptions {
    ListenAddress listen;
    std::string certificateFile;  // both empty: plain HTTP
    std::string privateKeyFile;
    XmlLimits limits;
    int maxConnections = 4;  // one Web Connector needs one, a second for a late retry
    std::chrono::seconds readTimeout{10};
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
    int port() const { return port_; }
    bool usesTls() const;

  private:
    WebConnectorService& service_;
    HttpServiceOptions options_;
    std::unique_ptr<httplib::Server> server_;
    std::thread thread_;
    int port_ = 0;
};

}  // namespace ztl::qbwc
