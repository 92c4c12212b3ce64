#include "qbwc/console/form_fields.h"

#include <charconv>

namespace ztl::qbwc {

std::optional<std::string> percentDecoded(std::string_view text, bool plusIsSpace) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (c == '+' && plusIsSpace) {
            out += ' ';
        } else if (c == '%') {
            unsigned value = 0;
            if (i + 2 >= text.size()) return std::nullopt;
            auto [end, ec] = std::from_chars(text.data() + i + 1, text.data() + i + 3, value, 16);
            if (ec != std::errc() || end != text.data() + i + 3 || value == 0) return std::nullopt;
            out += static_cast<char>(value);
            i += 2;
        } else {
            out += c;
        }
    }
    return out;
}

std::map<std::string, std::string> formFields(std::string_view body) {
    std::map<std::string, std::string> fields;
    while (!body.empty()) {
        std::size_t amp = body.find('&');
        std::string_view pair = body.substr(0, amp);
        body = amp == std::string_view::npos ? std::string_view() : body.substr(amp + 1);
        std::size_t eq = pair.find('=');
        auto name = percentDecoded(pair.substr(0, eq), true);
        auto value =
            percentDecoded(eq == std::string_view::npos ? std::string_view() : pair.substr(eq + 1), true);
        if (name && value && !name->empty()) fields.emplace(std::move(*name), std::move(*value));
    }
    return fields;
}

std::string cookieValue(std::string_view header, std::string_view name) {
    while (!header.empty()) {
        std::size_t semi = header.find(';');
        std::string_view part = header.substr(0, semi);
        header = semi == std::string_view::npos ? std::string_view() : header.substr(semi + 1);
        while (!part.empty() && part.front() == ' ') part.remove_prefix(1);
        std::size_t eq = part.find('=');
        if (eq != std::string_view::npos && part.substr(0, eq) == name)
            return std::string(part.substr(eq + 1));
    }
    return {};
}

}  // namespace ztl::qbwc
