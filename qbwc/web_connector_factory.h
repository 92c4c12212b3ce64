#pragma once
// The request-processor factory of the Web Connector bridge. It serves the Web Connector's
// SOAP service for as long as it lives, and every processor it makes talks to QuickBooks
// through that service. When it cannot serve (no user or password set, an address or
// certificate it cannot use), it says why through its processors' OpenConnection, as
// creating a processor on a machine without QuickBooks does.
#include <chrono>
#include <memory>
#include <optional>
#include <string>

#include "platform/request_processor.h"
#include "platform/settings_store.h"
#include "qbwc/bridge_settings.h"
#include "qbwc/soap_http_server.h"
#include "qbwc/web_connector_service.h"

namespace ztl::qbwc {

struct BridgeConfig {
    Credentials credentials;
    ServiceTimings timings;
    HttpServiceOptions http;
    std::string appUrl;                          // the .qwc file's URL, when written here
    WebConnectorService::NoteSink note;          // what happens, for ztl qbwc serve
    // How long the end waits for the Web Connector to close its session: one pause after
    // "NoOp" (5 s), the closing request through QuickBooks and closeConnection.
    std::chrono::milliseconds closeGrace{12000};
};

BridgeConfig bridgeConfigFrom(const BridgeSettings& settings, const ListenAddress& listen);

class WebConnectorFactory : public RequestProcessorFactory {
  public:
    // Starts serving at once: the Web Connector may call before the first processor exists.
    // `wait` (kept, not owned) is called while its processors wait for the Web Connector.
    explicit WebConnectorFactory(BridgeConfig config, QuickBooksWait* wait = nullptr);
    // A factory that cannot serve, for the reason given.
    explicit WebConnectorFactory(std::string why);
    ~WebConnectorFactory() override;

    std::shared_ptr<RequestProcessor> create() override;

    const std::string& startError() const { return startError_; }
    int port() const;  // where it listens; 0 when it does not
    // The service it serves (null when it could not start), for ztl qbwc service's local socket.
    const std::shared_ptr<WebConnectorService>& service() const { return service_; }
    bool usesTls() const;
    // What the Web Connector is to call: the .qwc file's URL, else where it listens.
    std::string url() const;
    // Takes the bridge's settings anew, for the next session and connection; says what
    // changed, or throws std::runtime_error saying what cannot be taken (nothing changed then).
    std::string reload(const BridgeSettings& settings);

  private:
    // Tells the service where the Web Connector calls, and where the console is when served.
    void tellUrl();

    std::shared_ptr<WebConnectorService> service_;
    std::unique_ptr<SoapHttpServer> server_;
    std::string startError_;
    std::chrono::milliseconds closeGrace_{0};
    QuickBooksWait* wait_ = nullptr;
    bool servesConsole_ = false;
    BridgeSettings loaded_;  // what reload compares with
};

// The configuration for "qbwc:<listenText>" from the bridge's settings; nothing, and `why`
// set, when the address is not one or no user name or password has been set.
std::optional<BridgeConfig> bridgeConfigFor(const std::string& listenText, const SettingsStore& store,
                                            std::string& why);
// The same from settings already read.
std::optional<BridgeConfig> bridgeConfigFor(const std::string& listenText, const BridgeSettings& settings,
                                            std::string& why);

// A note sink that writes the bridge's log (bridge_log.h), and passes on to `also`.
WebConnectorService::NoteSink withBridgeLog(WebConnectorService::NoteSink also = {});

// The factory for "qbwc:<listenText>", configured from the bridge's settings; what
// happens goes to the bridge's log.
std::unique_ptr<WebConnectorFactory> webConnectorFactory(const std::string& listenText,
                                                         const SettingsStore& store,
                                                         WebConnectorService::NoteSink note = {},
                                                         QuickBooksWait* wait = nullptr);

}  // namespace ztl::qbwc
