#pragma once
// What ends a Web Connector session the clean way from a pause between requests:
// receiveResponseXML can answer 100 only to an answer, so the Web Connector is given this
// request to answer. A read of one customer by a name no customer has, in the engine's
// qbXML 1.0: it changes nothing, and a refusal of it ends the session just the same.
#include <string>

namespace ztl::qbwc {

std::string closingRequest();

}  // namespace ztl::qbwc
