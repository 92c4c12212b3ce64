#include "qbwc/quickbooks_from_environment.h"

#include <cstdlib>
#include <string_view>

#include "qbsim/processor_factory.h"
#include "qbwc/web_connector_factory.h"

namespace ztl {

std::unique_ptr<RequestProcessorFactory> processorFactoryFromEnvironment(const SettingsStore& settings) {
    const char* value = std::getenv("ZENTREL_QUICKBOOKS");
    constexpr std::string_view kBridge = "qbwc:";
    if (value && std::string_view(value).starts_with(kBridge))
        return qbwc::webConnectorFactory(std::string(value + kBridge.size()), settings);
    return qbsim::processorFactoryFromEnvironment();
}

}  // namespace ztl
