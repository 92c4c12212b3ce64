#include "qbsim/request_schema.h"

#include <algorithm>
#include <iterator>

#include "platform/windows1252.h"
#include "qbsim/request.h"

namespace ztl::qbsim {
namespace {

bool isXmlChar(unsigned long cp) {
    return cp == 0x9 || cp == 0xA || cp == 0xD || (cp >= 0x20 && cp <= 0xD7FF) ||
           (cp >= 0xE000 && cp <= 0xFFFD) || (cp >= 0x10000 && cp <= 0x10FFFF);
}

constexpr std::pair<std::string_view, char> kPredefined[] = {
    {"amp", '&'}, {"lt", '<'}, {"gt", '>'}, {"quot", '"'}, {"apos", '\''}};

// Replaces the five predefined entities and character references. The document declares
// no entities (checkProlog), so any other reference, or a bare '&', is not well-formed.
std::string decodeReferences(std::string_view raw) {
    std::string out;
    out.reserve(raw.size());
    for (std::size_t i = 0; i < raw.size(); ++i) {
        if (raw[i] != '&') {
            out += raw[i];
            continue;
        }
        auto semi = raw.find(';', i);
        if (semi == std::string_view::npos || semi - i > 12) parseError("'&' that starts no reference");
        std::string_view name = raw.substr(i + 1, semi - i - 1);
        auto predefined = std::find_if(std::begin(kPredefined), std::end(kPredefined),
                                       [&](const auto& p) { return p.first == name; });
        if (predefined != std::end(kPredefined)) {
            out += predefined->second;
        } else if (name.size() >= 2 && name[0] == '#') {
            bool hex = name[1] == 'x';
            std::string_view digits = name.substr(hex ? 2 : 1);
            if (digits.empty()) parseError("empty character reference");
            unsigned long cp = 0;
            for (char c : digits) {
                int v = (c >= '0' && c <= '9')        ? c - '0'
                        : hex && c >= 'a' && c <= 'f' ? c - 'a' + 10
                        : hex && c >= 'A' && c <= 'F' ? c - 'A' + 10
                                                      : -1;
                if (v < 0) parseError("bad character reference &" + std::string(name) + ";");
                cp = cp * (hex ? 16 : 10) + static_cast<unsigned long>(v);
                if (cp > 0x10FFFF) parseError("character reference out of range");
            }
            if (!isXmlChar(cp)) parseError("character reference to a character XML does not allow");
            appendUtf8(out, static_cast<char32_t>(cp));
        } else {
            parseError("reference to an undeclared entity &" + std::string(name) + ";");
        }
        i = semi;
    }
    return out;
}

struct Slot {
    std::string_view name;
    bool repeats;
};

std::vector<Slot> slotsOf(std::string_view model) {
    std::vector<Slot> slots;
    while (!model.empty()) {
        const auto end = std::min(model.find(' '), model.size());
        std::string_view name = model.substr(0, end);
        model.remove_prefix(std::min(end + 1, model.size()));
        if (name.empty()) continue;
        const bool repeats = name.back() == '*';
        if (repeats) name.remove_suffix(1);
        slots.push_back({name, repeats});
    }
    return slots;
}

}  // namespace

bool isBlank(std::string_view s) {
    return s.find_first_not_of(" \t\r\n") == std::string_view::npos;
}

// The text of an element that holds only text (character data and CDATA sections).
std::string leafText(pugi::xml_node node) {
    std::string out;
    for (auto c : node.children()) {
        switch (c.type()) {
            case pugi::node_pcdata:
                out += decodeReferences(c.value());
                break;
            case pugi::node_cdata:
                out += c.value();
                break;
            case pugi::node_element:
                parseError(std::string("element <") + c.name() + "> inside <" + node.name() + ">");
            default:
                break;
        }
    }
    return out;
}

std::optional<std::string> attribute(pugi::xml_node node, const char* name) {
    auto a = node.attribute(name);
    if (!a) return std::nullopt;
    return decodeReferences(a.value());
}

// Assigns each child element of `parent` to its slot of the ordered content model `slots`
// (each slot optional; repeating slots take any number): an element out of order, an
// unknown one, a second one of a single slot or non-blank text is a schema violation.
std::vector<std::pair<std::size_t, pugi::xml_node>> sequence(pugi::xml_node parent, std::string_view model) {
    std::vector<std::pair<std::size_t, pugi::xml_node>> out;
    const std::vector<Slot> s = slotsOf(model);
    std::size_t at = 0;
    bool used = false;
    for (auto c : parent.children()) {
        if (c.type() == pugi::node_pcdata || c.type() == pugi::node_cdata) {
            if (!isBlank(c.value())) parseError(std::string("text inside <") + parent.name() + ">");
            continue;
        }
        if (c.type() != pugi::node_element) continue;
        std::string_view name = c.name();
        std::size_t i = at;
        while (i < s.size() && name != s[i].name) ++i;
        if (i == s.size()) {
            bool earlier = std::any_of(s.begin(), s.end(), [&](const Slot& x) { return name == x.name; });
            parseError(std::string("<") + c.name() + "> " + (earlier ? "out of order" : "not allowed") +
                       " in <" + parent.name() + ">");
        }
        if (i == at && used && !s[i].repeats)
            parseError(std::string("second <") + c.name() + "> in <" + parent.name() + ">");
        used = true;
        at = i;
        out.emplace_back(i, c);
    }
    return out;
}

}  // namespace ztl::qbsim
