#include "qbwc/closing_request.h"

#include "qbxml/request_text.h"

namespace ztl::qbwc {

std::string closingRequest() {
    std::string body;
    qbxml::appendLine(body, 8, "<CustomerQueryRq requestID=\"1\">");
    qbxml::appendLine(body, 12, "<FullName>Zentrel end of session</FullName>");
    qbxml::appendLine(body, 8, "</CustomerQueryRq>");
    return qbxml::requestMessage(qbxml::Version::V1_0, qbxml::OnError::Stop, body);
}

}  // namespace ztl::qbwc
