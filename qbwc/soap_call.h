#pragma once
// One call of the Web Connector, read from its SOAP 1.1 envelope (document/literal,
// wrapped): the method is the one element in the Body, in the namespace
// http://developer.intuit.com/, and its parameters are that element's children, named as
// in the Web Connector's WSDL. Namespace prefixes are resolved, whatever the client chose.
#include <map>
#include <string>
#include <string_view>

#include "qbwc/xml_guard.h"

namespace ztl::qbwc {

inline constexpr const char* kIntuitNamespace = "http://developer.intuit.com/";
inline constexpr const char* kSoapEnvelopeNamespace = "http://schemas.xmlsoap.org/soap/envelope/";

struct SoapCall {
    std::string method;                         // "authenticate", "sendRequestXML", ...
    std::map<std::string, std::string> params;  // a parameter sent empty or nil reads as ""

    // The parameter's text; "" when the client left it out, as .NET does for a null string.
    std::string param(const std::string& name) const;
};

// Reads a call; throws SoapFault (a client fault) saying what is wrong. `soapAction` is the
// HTTP header as received (quotes and all); when given it must name the same method.
SoapCall parseSoapCall(std::string_view body, std::string_view soapAction, const XmlLimits& limits);

}  // namespace ztl::qbwc
