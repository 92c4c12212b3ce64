#include "qbxml/request_text.h"

namespace ztl::qbxml {

void appendLine(std::string& out, int blanks, std::string_view text) {
    out.append(static_cast<std::size_t>(blanks), ' ');
    out.append(text);
    out.append("\r\n");
}

std::string requestMessage(Version version, OnError onError, std::string_view body) {
    std::string r;
    appendLine(r, 0, "<?xml version =\"1.0\" ?>");
    appendLine(r, 0,
               version == Version::V1_0 ? "<!DOCTYPE QBXML PUBLIC '-//INTUIT//DTD QBXML QBD 1.0//EN'>"
                                        : "<!DOCTYPE QBXML PUBLIC '-//INTUIT//DTD QBXML QBD 1.1//EN'>");
    appendLine(r, 0, "<QBXML>");
    appendLine(r, 4,
               onError == OnError::Stop ? "<QBXMLMsgsRq onError=\"stopOnError\">"
                                        : "<QBXMLMsgsRq onError=\"continueOnError\">");
    r.append(body);
    appendLine(r, 4, "</QBXMLMsgsRq>");
    appendLine(r, 0, "</QBXML>");
    return r;
}

}  // namespace ztl::qbxml
