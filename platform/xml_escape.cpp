#include "platform/xml_escape.h"

namespace ztl {

std::string xmlEscaped(std::string_view text, XmlEscape strength) {
    const bool quotes = strength != XmlEscape::Markup;
    const bool cr = strength == XmlEscape::PreservingCR;
    std::string out;
    out.reserve(text.size() + text.size() / 8);
    for (char c : text) {
        if (c == '&')
            out += "&amp;";
        else if (c == '<')
            out += "&lt;";
        else if (c == '>')
            out += "&gt;";
        else if (c == '"' && quotes)
            out += "&quot;";
        else if (c == '\'' && quotes)
            out += "&apos;";
        else if (c == '\r' && cr)
            out += "&#13;";
        else
            out += c;
    }
    return out;
}

}  // namespace ztl
