#include "qbxml/answer_document.h"

#include <cstring>

#include "qbxml/well_formed.h"

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
    if (auto why = wellFormednessError(text)) {
        reason = *why;
        return false;
    }
    // Well-formed, entity-free and shallow by now; pugixml reads the declared encoding too.
    pugi::xml_parse_result r =
        doc.load_buffer(text.data(), text.size(), pugi::parse_default, pugi::encoding_auto);
    if (!r) {
        reason = std::string(r.description()) + " (at offset " + std::to_string(r.offset) + ")";
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

std::string childText(const pugi::xml_node& node, const char* name) {
    pugi::xml_node c = node.child(name);
    return c ? textOf(c) : std::string();
}

}  // namespace ztl::qbxml
