#pragma once
// The service's answers: fixed SOAP 1.1 envelopes with the values escaped into them, so the
// qbXML travels as text inside its result element, byte for byte.
#include <string>
#include <string_view>
#include <vector>

namespace ztl::qbwc {

// Text escaped for an XML element or attribute. A carriage return becomes "&#13;": a parser
// would otherwise fold CR LF into LF, and the request is sent as the engine wrote it.
std::string xmlEscape(std::string_view text);

// Whether XML 1.0 can carry `text` at all: no control characters but tab, LF and CR.
bool isXmlText(std::string_view text);

// <methodResponse><methodResult>value</methodResult></methodResponse>
std::string soapResult(const std::string& method, std::string_view value);
// authenticate's array: <authenticateResult><string>…</string>…</authenticateResult>
std::string soapStringArrayResult(const std::string& method, const std::vector<std::string>& values);
std::string soapFaultEnvelope(bool clientFault, std::string_view text);

}  // namespace ztl::qbwc
