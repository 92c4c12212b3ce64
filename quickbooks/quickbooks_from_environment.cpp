#include "quickbooks/quickbooks_from_environment.h"

#include <unistd.h>

#include <cstdlib>
#include <string_view>

#include "qbsim/processor_factory.h"
#include "qbwc/local_channel.h"
#include "qbwc/service_client.h"
#include "qbwc/web_connector_factory.h"

namespace ztl {

namespace {

// The socket of a running ztl qbwc service for this address; empty when none answers.
std::string runningService(const std::string& listenText) {
    std::string why;
    auto listen = qbwc::parseListenAddress(listenText, why);
    if (!listen) return {};
    auto path = qbwc::serviceSocketPath(*listen);
    int fd = qbwc::connectLocal(path);
    if (fd < 0) return {};
    ::close(fd);
    return path.string();
}

}  // namespace

std::unique_ptr<RequestProcessorFactory> processorFactoryFromEnvironment(const SettingsStore& settings,
                                                                         QuickBooksWait* wait) {
    if (!wait) wait = processQuickBooksWait();
    const char* value = std::getenv("ZENTREL_QUICKBOOKS");
    constexpr std::string_view kBridge = "qbwc:";
    if (value && std::string_view(value).starts_with(kBridge)) {
        std::string listen(value + kBridge.size());
        if (std::string socket = runningService(listen); !socket.empty())
            return std::make_unique<qbwc::ServiceClientFactory>(socket, wait);
        return qbwc::webConnectorFactory(listen, settings, {}, wait);
    }
    return qbsim::processorFactoryFromEnvironment();
}

}  // namespace ztl
