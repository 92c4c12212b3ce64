#pragma once
// Reading a request's elements against qbXML's message schema: ordered content models,
// elements that hold only text, attributes, and the references a request may use. Each
// breach throws RequestParseError.
#include <cstddef>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include <pugixml.hpp>

namespace ztl::qbsim {

bool isBlank(std::string_view s);

// The text of an element that holds only text (character data and CDATA sections), its
// references decoded.
std::string leafText(pugi::xml_node node);

// An attribute's value, its references decoded; empty when the element has none.
std::optional<std::string> attribute(pugi::xml_node node, const char* name);

struct Slot {
    const char* name;
    bool repeats;
};

// Assigns each child element of `parent` to its slot of the ordered content model `slots`
// (each slot optional; repeating slots take any number): an element out of order, an
// unknown one, a second one of a single slot or non-blank text is a schema violation.
std::vector<std::pair<std::size_t, pugi::xml_node>> sequence(pugi::xml_node parent,
                                                             std::initializer_list<Slot> slots);

}  // namespace ztl::qbsim
