#include "qbwc/web_connector_factory.h"

#include <stdexcept>
#include <vector>

#include "qbwc/bridge_log.h"
#include "qbwc/qwc_file.h"
#include "qbwc/web_connector_processor.h"

namespace ztl::qbwc {

BridgeConfig bridgeConfigFrom(const BridgeSettings& settings, const ListenAddress& listen) {
    BridgeConfig c;
    c.credentials = {settings.userName, settings.passwordHash};
    c.timings.timeout = settings.timeout;
    c.http.listen = listen;
    c.http.certificateFile = settings.certificateFile;
    c.http.privateKeyFile = settings.privateKeyFile;
    c.appUrl = settings.appUrl;
    return c;
}

WebConnectorFactory::WebConnectorFactory(BridgeConfig config, QuickBooksWait* wait)
    : closeGrace_(config.closeGrace), wait_(wait), servesConsole_(static_cast<bool>(config.http.console)) {
    loaded_.userName = config.credentials.userName;
    loaded_.passwordHash = config.credentials.passwordHash;
    loaded_.certificateFile = config.http.certificateFile;
    loaded_.privateKeyFile = config.http.privateKeyFile;
    loaded_.timeout = std::chrono::duration_cast<std::chrono::seconds>(config.timings.timeout);
    loaded_.appUrl = config.appUrl;
    service_ = std::make_shared<WebConnectorService>(config.credentials, config.timings, config.note);
    server_ = std::make_unique<SoapHttpServer>(*service_, config.http);
    try {
        server_->start();
        tellUrl();
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

std::string WebConnectorFactory::url() const {
    if (!loaded_.appUrl.empty()) return loaded_.appUrl;
    return server_ ? server_->url() : std::string();
}

std::string WebConnectorFactory::reload(const BridgeSettings& s) {
    if (!service_ || !server_) throw std::runtime_error("the bridge is not serving");
    if (s.userName.empty() || s.passwordHash.empty())
        throw std::runtime_error("the user name or the password is not set; the service keeps the ones it has");
    std::vector<std::string> changed;
    if (s.certificateFile != loaded_.certificateFile || s.privateKeyFile != loaded_.privateKeyFile) {
        server_->reloadCertificate(s.certificateFile, s.privateKeyFile);
        changed.push_back("certificate and key");
    }
    if (s.userName != loaded_.userName) changed.push_back("user name " + s.userName);
    if (s.passwordHash != loaded_.passwordHash) changed.push_back("password");
    if (s.timeout != loaded_.timeout) changed.push_back("wait of " + std::to_string(s.timeout.count()) + " s");
    if (s.appUrl != loaded_.appUrl) changed.push_back("URL " + s.appUrl);
    service_->reload({s.userName, s.passwordHash}, s.timeout);
    loaded_ = s;
    tellUrl();
    if (changed.empty()) return "the settings are read again; nothing changed";
    std::string text = "the settings are read again; new:";
    for (std::size_t i = 0; i < changed.size(); ++i) text += (i ? ", " : " ") + changed[i];
    return text + " (from the next Web Connector session on)";
}

void WebConnectorFactory::tellUrl() {
    service_->setUrl(url());
    if (servesConsole_) service_->setConsole(consoleAddress(url()));
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
    return bridgeConfigFor(listenText, readBridgeSettings(store), why);
}

std::optional<BridgeConfig> bridgeConfigFor(const std::string& listenText, const BridgeSettings& settings,
                                            std::string& why) {
    auto listen = parseListenAddress(listenText, why);
    if (!listen) {
        why = "ZENTREL_QUICKBOOKS=qbwc:" + why + ".";
        return std::nullopt;
    }
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
