#include "engine/qbxml_response.h"

#include <cstring>

namespace ztl::qbxml {
namespace {

// Visits every node below root in document order, without recursion.
template <class F>
void walk(const pugi::xml_node& root, F&& visit) {
    pugi::xml_node n = root.first_child();
    while (n) {
        visit(n);
        if (n.first_child()) {
            n = n.first_child();
            continue;
        }
        while (n && n != root && !n.next_sibling()) n = n.parent();
        if (!n || n == root) break;
        n = n.next_sibling();
    }
}

}  // namespace

bool load(pugi::xml_document& doc, const std::string& text, std::string& reason) {
    // pugixml expands no entities beyond the five predefined ones and reads nothing external.
    // A response that declares entities is refused outright: QuickBooks never sends one, and
    // a reader that did expand them could be made to build gigabytes from a few lines.
    pugi::xml_parse_result r = doc.load_buffer(
        text.data(), text.size(), pugi::parse_default | pugi::parse_doctype, pugi::encoding_utf8);
    if (!r) {
        reason = std::string(r.description()) + " (at offset " + std::to_string(r.offset) + ")";
        return false;
    }
    for (pugi::xml_node n = doc.first_child(); n; n = n.next_sibling()) {
        if (n.type() == pugi::node_doctype && std::strstr(n.value(), "<!ENTITY")) {
            reason = "Entity declarations are not accepted in a response";
            return false;
        }
    }
    if (!doc.document_element()) {
        reason = "No document element";
        return false;
    }
    return true;
}

std::vector<pugi::xml_node> elementsByTagName(const pugi::xml_node& root, const char* name) {
    std::vector<pugi::xml_node> found;
    walk(root, [&](const pugi::xml_node& n) {
        if (n.type() == pugi::node_element && std::strcmp(n.name(), name) == 0) found.push_back(n);
    });
    return found;
}

std::string textOf(const pugi::xml_node& node) {
    if (node.type() == pugi::node_pcdata || node.type() == pugi::node_cdata) return node.value();
    std::string text;
    walk(node, [&](const pugi::xml_node& n) {
        if (n.type() == pugi::node_pcdata || n.type() == pugi::node_cdata) text += n.value();
    });
    return text;
}

}  // namespace ztl::qbxml
