#pragma once
// Reading qbXML responses with pugixml, the way a DOM reader sees them: elements found by
// name anywhere in document order, and a node's text as all the text inside it. Texts come
// out as UTF-8, the answer's own characters; the engine turns them into single-byte text.
// A response reaches pugixml only after the strict check of qbxml/well_formed.h.
#include <pugixml.hpp>
#include <string>
#include <vector>

namespace ztl::qbxml {

// Parses a response; returns false and the reason when it is not well-formed XML.
bool load(pugi::xml_document& doc, const std::string& text, std::string& reason);

// Every element with this name, in document order.
std::vector<pugi::xml_node> elementsByTagName(const pugi::xml_node& root, const char* name);

// The concatenated text of every text node inside a node.
std::string textOf(const pugi::xml_node& node);

// The text of the first child element of this name; empty when there is none.
std::string childText(const pugi::xml_node& node, const char* name);

}  // namespace ztl::qbxml
