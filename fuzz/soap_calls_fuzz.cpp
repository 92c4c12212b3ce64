// The bridge's reading of a Web Connector call: any bytes as the body of a POST, the first
// line of the input as its SOAPAction header. The call is read or refused as a SoapFault;
// the whole answer (through a service with no session and no password set) is always a
// SOAP envelope that parses. A late answer's and a request's description are made from the
// same bytes.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <pugixml.hpp>
#include <string>
#include <string_view>

#include "qbwc/late_answer.h"
#include "qbwc/soap_call.h"
#include "qbwc/soap_dispatch.h"
#include "qbwc/soap_fault.h"
#include "qbwc/web_connector_service.h"

namespace {

ztl::qbwc::WebConnectorService& service() {
    ztl::qbwc::ServiceTimings t;
    t.timeout = std::chrono::milliseconds(1);
    t.hold = std::chrono::milliseconds(0);
    t.linger = std::chrono::milliseconds(0);
    static ztl::qbwc::WebConnectorService s({"", ""}, t);
    return s;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view input(reinterpret_cast<const char*>(data), size);
    std::size_t newline = input.find('\n');
    std::string_view action =
        newline == std::string_view::npos ? std::string_view() : input.substr(0, newline);
    std::string_view body = newline == std::string_view::npos ? input : input.substr(newline + 1);
    ztl::qbwc::XmlLimits limits;
    limits.maxBytes = 64 * 1024;
    try {
        ztl::qbwc::SoapCall call = ztl::qbwc::parseSoapCall(body, action, limits);
        if (call.method.empty()) std::abort();  // a call is always some method
    } catch (const ztl::qbwc::SoapFault&) {
    }
    ztl::qbwc::SoapReply reply = ztl::qbwc::answerSoapPost(service(), body, action, limits, "192.0.2.1");
    pugi::xml_document doc;
    if (!doc.load_buffer(reply.body.data(), reply.body.size())) std::abort();
    if (reply.status != 200 && reply.status != 500) std::abort();
    ztl::qbwc::describeAnswer(std::string(body), "", "");
    ztl::qbwc::describeRequest(std::string(body));
    return 0;
}
