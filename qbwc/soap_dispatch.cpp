#include "qbwc/soap_dispatch.h"

#include "qbwc/soap_call.h"
#include "qbwc/soap_fault.h"
#include "qbwc/soap_response.h"

namespace ztl::qbwc {

namespace {

std::string dispatch(WebConnectorService& service, const SoapCall& c, const std::string& peer,
                     std::chrono::milliseconds& delay) {
    const std::string& m = c.method;
    if (m == "serverVersion") return soapResult(m, service.serverVersion());
    if (m == "clientVersion") return soapResult(m, service.clientVersion(c.param("strVersion")));
    if (m == "authenticate") {
        auto answer = service.authenticate(c.param("strUserName"), c.param("strPassword"), peer);
        delay = answer.delay;
        return soapStringArrayResult(m, answer.strings);
    }
    if (m == "sendRequestXML")
        return soapResult(m, service.sendRequestXML(c.param("ticket"), c.param("strCompanyFileName"),
                                                    c.param("strHCPResponse"), c.param("qbXMLCountry")));
    if (m == "receiveResponseXML")
        return soapResult(m,
                          std::to_string(service.receiveResponseXML(c.param("ticket"), c.param("response"),
                                                                    c.param("hresult"), c.param("message"))));
    if (m == "connectionError")
        return soapResult(m,
                          service.connectionError(c.param("ticket"), c.param("hresult"), c.param("message")));
    if (m == "getLastError") return soapResult(m, service.getLastError(c.param("ticket")));
    if (m == "closeConnection") return soapResult(m, service.closeConnection(c.param("ticket")));
    throw SoapFault(true, "no method " + m + " here");
}

}  // namespace

SoapReply answerSoapPost(WebConnectorService& service, std::string_view body, std::string_view soapAction,
                         const XmlLimits& limits, const std::string& peer) {
    try {
        SoapReply reply;
        SoapCall call = parseSoapCall(body, soapAction, limits);
        service.heard();
        reply.body = dispatch(service, call, peer, reply.delay);
        return reply;
    } catch (const SoapFault& f) {
        return {500, soapFaultEnvelope(f.clientFault, f.what())};
    } catch (const LostTraffic& e) {
        return {500, soapFaultEnvelope(true, e.what())};
    } catch (const std::exception& e) {
        return {500, soapFaultEnvelope(false, e.what())};
    }
}

}  // namespace ztl::qbwc
