#include "qbwc/soap_response.h"

#include "platform/xml_escape.h"
#include "qbwc/soap_call.h"

namespace ztl::qbwc {

namespace {

constexpr const char* kHead =
    "<?xml version=\"1.0\" encoding=\"utf-8\"?>"
    "<soap:Envelope xmlns:soap=\"http://schemas.xmlsoap.org/soap/envelope/\" "
    "xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\" "
    "xmlns:xsd=\"http://www.w3.org/2001/XMLSchema\"><soap:Body>";
constexpr const char* kTail = "</soap:Body></soap:Envelope>";

std::string wrapped(const std::string& method, const std::string& result) {
    return kHead + ("<" + method + "Response xmlns=\"" + kIntuitNamespace + "\">") + result + "</" + method +
           "Response>" + kTail;
}

}  // namespace

std::string xmlEscape(std::string_view text) {
    return xmlEscaped(text, XmlEscape::PreservingCR);
}

bool isXmlText(std::string_view text) {
    for (unsigned char c : text)
        if (c < 0x20 && c != '\t' && c != '\n' && c != '\r') return false;
    return true;
}

std::string soapResult(const std::string& method, std::string_view value) {
    return wrapped(method, "<" + method + "Result>" + xmlEscape(value) + "</" + method + "Result>");
}

std::string soapStringArrayResult(const std::string& method, const std::vector<std::string>& values) {
    std::string items;
    for (const auto& v : values) items += "<string>" + xmlEscape(v) + "</string>";
    return wrapped(method, "<" + method + "Result>" + items + "</" + method + "Result>");
}

std::string soapFaultEnvelope(bool clientFault, std::string_view text) {
    return kHead + std::string("<soap:Fault><faultcode>") + (clientFault ? "soap:Client" : "soap:Server") +
           "</faultcode><faultstring>" + xmlEscape(text) + "</faultstring></soap:Fault>" + kTail;
}

}  // namespace ztl::qbwc
