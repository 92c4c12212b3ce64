#pragma once
// Reading a request's elements against qbXML's message schema: ordered content models,
// elements that hold only text, attributes, and the references a request may use. Each
// breach throws RequestParseError.
#include <cstddef>
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

// Assigns each child element of `parent` to its slot of the ordered content model `model`:
// element names in their order, separated by blanks, each optional, a name ending in '*'
// taking any number ("TxnID* RefNumber* MaxReturned"). An element out of order, an unknown
// one, a second one of a single slot or non-blank text is a schema violation.
std::vector<std::pair<std::size_t, pugi::xml_node>> sequence(pugi::xml_node parent, std::string_view model);

}  // namespace ztl::qbsim
