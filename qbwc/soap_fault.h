#pragma once
// A SOAP call the service refuses. The client's fault (malformed, hostile, out of order, a
// ticket no session has) is answered "soap:Client"; anything else "soap:Server".
#include <stdexcept>
#include <string>

namespace ztl::qbwc {

struct SoapFault : std::runtime_error {
    bool clientFault;
    SoapFault(bool client, const std::string& text) : std::runtime_error(text), clientFault(client) {}
};

}  // namespace ztl::qbwc
