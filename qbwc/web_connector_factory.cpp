#include "qbwc/web_connector_factory.h"

#include "qbwc/bridge_log.h"
#include "qbwc/web_connector_processor.h"

namespace ztl::qbwc {

BridgeConfig bridgeConfigFrom(const BridgeSettings& settings, const ListenAddress& listen) {
    BridgeConfig c;
    c.credentials = {settings.userName, settings.passwordHash};
    c.timings.timeout = settings.timeout;
    c.http.listen = listen;
    c.http.certificateFile = settings.certificateFile;
    c.http.privateKeyFile = settings.privateKeyFile;
    return c;
}

WebConnectorFactory::WebConnectorFactory(BridgeConfig config, QuickBooksWait* wait)
    : closeGrace_(config.closeGrace), wait_(wait) {
    service_ = std::make_shared<WebConnectorService>(config.credentials, config.timings, config.note);
    server_ = std::make_unique<SoapHttpServer>(*service_, config.http);
    try {
        server_->start();
        service_->setUrl(server_->url());
        if (config.note) config.note("serving the Web Connector at " + server_->url());
    } catch (const std::exception& e) {
        startError_ = std::string("The Web Connector service cannot start: ") + e.what() + ".";
        server_.reset();
        service_.reset();
    }
}

WebConnectorFactory::WebConnectorFactory(std::string why) : startError_(std::move(why)) {}

WebConnectorFactory::~WebConnectorFactory() {
    // The Web Connector is let go properly first (100, or a closing getLastError), then the
    // HTTP service stops.
    if (service_) service_->stop(closeGrace_);
    if (server_) server_->stop();
}

std::shared_ptr<RequestProcessor> WebConnectorFactory::create() {
    return std::make_shared<WebConnectorProcessor>(service_, startError_, wait_);
}

int WebConnectorFactory::port() const {
    return server_ ? server_->port() : 0;
}

bool WebConnectorFactory::usesTls() const {
    return server_ && server_->usesTls();
}

WebConnectorService::NoteSink withBridgeLog(WebConnectorService::NoteSink also) {
    auto log = std::make_shared<BridgeLog>(bridgeLogFile());
    return [log, also = std::move(also)](const std::string& text) {
        log->write(text);
        if (also) also(text);
    };
}

std::optional<BridgeConfig> bridgeConfigFor(const std::string& listenText, const SettingsStore& store,
                                            std::string& why) {
    auto listen = parseListenAddress(listenText, why);
    if (!listen) {
        why = "ZENTREL_QUICKBOOKS=qbwc:" + why + ".";
        return std::nullopt;
    }
    BridgeSettings settings = readBridgeSettings(store);
    if (settings.userName.empty() || settings.passwordHash.empty()) {
        why =
            "The Web Connector's user name and password are not set (ztl qbwc file, ztl qbwc set-password).";
        return std::nullopt;
    }
    return bridgeConfigFrom(settings, *listen);
}

std::unique_ptr<WebConnectorFactory> webConnectorFactory(const std::string& listenText,
                                                         const SettingsStore& store,
                                                         WebConnectorService::NoteSink note,
                                                         QuickBooksWait* wait) {
    std::string why;
    auto config = bridgeConfigFor(listenText, store, why);
    if (!config) return std::make_unique<WebConnectorFactory>(why);
    config->note = withBridgeLog(std::move(note));
    return std::make_unique<WebConnectorFactory>(std::move(*config), wait);
}

}  // namespace ztl::qbwc
