#include "qbwc/bridge_errors.h"

#include "platform/request_processor.h"

namespace ztl::qbwc {

VbError couldNotAccess(const std::string& why) {
    return VbError(hresult::kCouldNotAccess, kBridgeSource, "Could not access QuickBooks. " + why);
}

VbError serviceStopped() {
    return couldNotAccess("The Web Connector service has stopped.");
}

VbError companyNotOpen() {
    return VbError(hresult::kCompanyNotOpen, kBridgeSource,
                   "The QuickBooks company data file is not the one currently open in QuickBooks.");
}

VbError waitCancelled() {
    return VbError(
        hresult::kCouldNotStart, kBridgeSource,
        "Could not start QuickBooks. The wait for the Web Connector was cancelled; nothing was sent.");
}

VbError answerLost() {
    return couldNotAccess(
        "The Web Connector took the request but returned no answer; look in QuickBooks whether the entry "
        "was posted before importing it again.");
}

}  // namespace ztl::qbwc
