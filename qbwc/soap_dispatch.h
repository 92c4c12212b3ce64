#pragma once
// One HTTP POST of the Web Connector, start to end: the envelope read, the service's method
// called with its parameters (`peer` the client's address), the answer or a SOAP fault (HTTP 500, as SOAP 1.1
// has it).
#include <chrono>
#include <string>
#include <string_view>

#include "qbwc/web_connector_service.h"
#include "qbwc/xml_guard.h"

namespace ztl::qbwc {

struct SoapReply {
    int status = 200;
    std::string body;
    std::chrono::milliseconds delay{0};  // how long the answer is held back (a refused password)
};

SoapReply answerSoapPost(WebConnectorService& service, std::string_view body, std::string_view soapAction,
                         const XmlLimits& limits, const std::string& peer = {});

}  // namespace ztl::qbwc
