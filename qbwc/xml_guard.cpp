#include "qbwc/xml_guard.h"

namespace ztl::qbwc {

namespace {

// The position just past `close` at or after `from`, or npos.
std::size_t skipPast(std::string_view text, std::size_t from, std::string_view close) {
    std::size_t at = text.find(close, from);
    return at == std::string_view::npos ? at : at + close.size();
}

// The position just past the '>' ending the tag that starts at `from`; quoted attribute
// values may hold '>'.
std::size_t skipTag(std::string_view text, std::size_t from) {
    char quote = 0;
    for (std::size_t i = from; i < text.size(); ++i) {
        char c = text[i];
        if (quote) {
            if (c == quote) quote = 0;
        } else if (c == '"' || c == '\'') {
            quote = c;
        } else if (c == '>') {
            return i + 1;
        }
    }
    return std::string_view::npos;
}

}  // namespace

std::optional<std::string> xmlRefusal(std::string_view text, const XmlLimits& limits) {
    if (text.size() > limits.maxBytes)
        return "the body has " + std::to_string(text.size()) + " bytes, more than the " +
               std::to_string(limits.maxBytes) + " accepted";
    // Markup is only ever opened by '<'; text between tags and inside comments, processing
    // instructions and CDATA sections cannot nest or declare anything.
    int depth = 0;
    std::size_t i = 0;
    while ((i = text.find('<', i)) != std::string_view::npos) {
        std::string_view rest = text.substr(i);
        if (rest.starts_with("<!--")) {
            i = skipPast(text, i + 4, "-->");
        } else if (rest.starts_with("<![CDATA[")) {
            i = skipPast(text, i + 9, "]]>");
        } else if (rest.starts_with("<?")) {
            i = skipPast(text, i + 2, "?>");
        } else if (rest.starts_with("<!")) {
            return "document type and entity declarations are not accepted";
        } else if (rest.starts_with("</")) {
            --depth;
            i = skipTag(text, i);
        } else {
            std::size_t end = skipTag(text, i);
            if (end == std::string_view::npos) return std::nullopt;  // unterminated: pugixml says why
            if (text[end - 2] != '/' && ++depth > limits.maxDepth)
                return "elements are nested more than " + std::to_string(limits.maxDepth) + " deep";
            i = end;
        }
        if (i == std::string_view::npos) return std::nullopt;
    }
    return std::nullopt;
}

}  // namespace ztl::qbwc
