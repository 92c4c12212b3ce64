#include "qbwc/soap_call.h"

#include <pugixml.hpp>

#include "qbwc/soap_fault.h"

namespace ztl::qbwc {

namespace {

std::string_view localName(const pugi::xml_node& node) {
    std::string_view name = node.name();
    std::size_t colon = name.find(':');
    return colon == std::string_view::npos ? name : name.substr(colon + 1);
}

// The namespace URI of an element: the nearest xmlns declaration for its prefix.
std::string_view namespaceOf(const pugi::xml_node& node) {
    std::string_view name = node.name();
    std::size_t colon = name.find(':');
    std::string attribute = colon == std::string_view::npos ? std::string("xmlns")
                                                            : "xmlns:" + std::string(name.substr(0, colon));
    for (pugi::xml_node n = node; n.type() == pugi::node_element; n = n.parent())
        if (pugi::xml_attribute a = n.attribute(attribute.c_str())) return a.value();
    return {};
}

pugi::xml_node firstElement(const pugi::xml_node& parent) {
    for (pugi::xml_node n = parent.first_child(); n; n = n.next_sibling())
        if (n.type() == pugi::node_element) return n;
    return {};
}

// Text and CDATA children joined: the qbXML travels as one escaped text, but nothing in
// XML stops a client from splitting it.
std::string textOf(const pugi::xml_node& element) {
    std::string text;
    for (pugi::xml_node n = element.first_child(); n; n = n.next_sibling()) {
        if (n.type() == pugi::node_pcdata || n.type() == pugi::node_cdata)
            text += n.value();
        else if (n.type() == pugi::node_element)
            throw SoapFault(true, "parameter " + std::string(localName(element)) + " holds markup, not text");
    }
    return text;
}

bool isKnownMethod(std::string_view m) {
    for (std::string_view known :
         {"serverVersion", "clientVersion", "authenticate", "sendRequestXML", "receiveResponseXML",
          "connectionError", "getLastError", "closeConnection"})
        if (m == known) return true;
    return false;
}

}  // namespace

std::string SoapCall::param(const std::string& name) const {
    auto it = params.find(name);
    return it == params.end() ? std::string() : it->second;
}

SoapCall parseSoapCall(std::string_view body, std::string_view soapAction, const XmlLimits& limits) {
    if (auto why = xmlRefusal(body, limits)) throw SoapFault(true, "refused: " + *why);
    pugi::xml_document doc;
    pugi::xml_parse_result parsed =
        doc.load_buffer(body.data(), body.size(), pugi::parse_default, pugi::encoding_utf8);
    if (!parsed)
        throw SoapFault(true, std::string("not XML: ") + parsed.description() + " at byte " +
                                  std::to_string(parsed.offset));

    pugi::xml_node envelope = doc.document_element();
    if (localName(envelope) != "Envelope" || namespaceOf(envelope) != kSoapEnvelopeNamespace)
        throw SoapFault(true, "not a SOAP 1.1 envelope");
    pugi::xml_node bodyNode;
    for (pugi::xml_node n = envelope.first_child(); n; n = n.next_sibling())
        if (n.type() == pugi::node_element && localName(n) == "Body" &&
            namespaceOf(n) == kSoapEnvelopeNamespace)
            bodyNode = n;
    if (!bodyNode) throw SoapFault(true, "the envelope has no Body");
    pugi::xml_node method = firstElement(bodyNode);
    if (!method) throw SoapFault(true, "the Body names no method");
    if (namespaceOf(method) != kIntuitNamespace)
        throw SoapFault(true, "method " + std::string(localName(method)) + " is not in the namespace " +
                                  kIntuitNamespace);

    SoapCall call;
    call.method = std::string(localName(method));
    if (!isKnownMethod(call.method)) throw SoapFault(true, "no method " + call.method + " here");
    if (!soapAction.empty()) {
        std::string_view action = soapAction;
        if (action.size() >= 2 && action.front() == '"' && action.back() == '"')
            action = action.substr(1, action.size() - 2);
        if (!action.empty() && action != std::string(kIntuitNamespace) + call.method)
            throw SoapFault(true, "SOAPAction " + std::string(soapAction) + " does not name " + call.method);
    }
    for (pugi::xml_node p = method.first_child(); p; p = p.next_sibling()) {
        if (p.type() != pugi::node_element) continue;
        std::string name(localName(p));
        if (!call.params.emplace(name, textOf(p)).second)
            throw SoapFault(true, "parameter " + name + " given twice");
    }
    return call;
}

}  // namespace ztl::qbwc
