#include "quickbooks/quickbooks_from_environment.h"

#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <string_view>

#include "qbsim/processor_factory.h"
#include "qbwc/bridge_settings.h"
#include "qbwc/local_channel.h"
#include "qbwc/service_client.h"
#include "qbwc/service_status.h"
#include "qbwc/web_connector_factory.h"

namespace ztl {

namespace {

constexpr std::string_view kBridge = "qbwc:";

// What every running service of this user serves ("qbwc:HOST:PORT"), with its socket.
std::vector<std::pair<std::string, std::string>> runningServices() {
    std::vector<std::pair<std::string, std::string>> found;
    for (const auto& socket : qbwc::runningServiceSockets()) {
        auto status = qbwc::askService(socket, 'T', 't');
        if (!status) continue;
        found.emplace_back(qbwc::decodeStatus(*status)["QuickBooks"], socket.string());
    }
    return found;
}

bool isWildcard(const std::string& host) {
    return host == "0.0.0.0" || host == "::";
}

// The socket of the running service that serves `listen`: the one for its address (the
// loopback names are one), or one on the same port on every address of this machine.
std::string serviceFor(const qbwc::ListenAddress& listen,
                       const std::vector<std::pair<std::string, std::string>>& services) {
    auto path = qbwc::serviceSocketPath(listen);
    if (int fd = qbwc::connectLocal(path); fd >= 0) {
        ::close(fd);
        return path.string();
    }
    for (const auto& [quickBooks, socket] : services) {
        std::string why;
        auto other = qbwc::parseListenAddress(quickBooks.substr(std::min(quickBooks.size(), kBridge.size())), why);
        if (other && other->port == listen.port && listen.port != 0 &&
            (isWildcard(other->host) || (qbwc::isLoopbackHost(listen.host) && qbwc::isLoopbackHost(other->host))))
            return socket;
    }
    return {};
}

std::unique_ptr<RequestProcessorFactory> bridgeFactory(const std::string& value, const std::string& source,
                                                       const SettingsStore& settings, QuickBooksWait* wait) {
    std::string listenText = value.substr(kBridge.size());
    std::string why;
    auto listen = qbwc::parseListenAddress(listenText, why);
    if (!listen) return std::make_unique<qbwc::WebConnectorFactory>(source + "=qbwc:" + why + ".");
    auto services = runningServices();
    // The program's own wait goes to the service: an unattended run's reaches to its deadline.
    if (std::string socket = serviceFor(*listen, services); !socket.empty())
        return std::make_unique<qbwc::ServiceClientFactory>(socket, wait, qbwc::readBridgeSettings(settings).timeout);
    auto served = qbwc::webConnectorFactory(listenText, settings, {}, wait);
    if (served->startError().empty() || services.empty()) return served;
    // The port is taken, or the bridge cannot serve here; a service runs elsewhere: its exact value.
    std::string text = served->startError() + " A Web Connector service runs for " + services.front().first +
                       ", not " + value + ": set " + source + " to that value (ztl qbwc set QuickBooks " +
                       services.front().first + ").";
    return std::make_unique<qbwc::WebConnectorFactory>(text);
}

}  // namespace

std::string quickBooksSetting(const SettingsStore& settings, std::string* source) {
    if (const char* env = std::getenv("ZENTREL_QUICKBOOKS"); env && *env) {
        if (source) *source = "ZENTREL_QUICKBOOKS";
        return env;
    }
    if (source) *source = "the setting QuickBooks";
    return settings.get(kSettingsApp, qbwc::kBridgeSection, qbwc::key::kQuickBooks, "");
}

std::unique_ptr<RequestProcessorFactory> processorFactoryFromEnvironment(const SettingsStore& settings,
                                                                         QuickBooksWait* wait) {
    if (!wait) wait = processQuickBooksWait();
    std::string source;
    std::string value = quickBooksSetting(settings, &source);
    if (value.starts_with(kBridge)) return bridgeFactory(value, source, settings, wait);
    if (!value.empty()) {
        auto setting = qbsim::parseQuickBooksSetting(value.c_str());
        if (!setting.error.empty()) return std::make_unique<qbwc::WebConnectorFactory>(setting.error);
        return std::make_unique<qbsim::SimProcessorFactory>(setting.runningCompany);
    }
    // Nothing named: the one service this user runs, when there is one.
    auto services = runningServices();
    if (services.size() == 1)
        return std::make_unique<qbwc::ServiceClientFactory>(services.front().second, wait,
                                                            qbwc::readBridgeSettings(settings).timeout);
    return qbsim::processorFactoryFromEnvironment();
}

}  // namespace ztl
