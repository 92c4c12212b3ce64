#include "qbsim/request_prolog.h"

#include <algorithm>
#include <cstdio>

#include "qbsim/request.h"

namespace ztl::qbsim {
namespace {

bool startsWith(std::string_view s, std::size_t pos, std::string_view what) {
    return s.compare(pos, what.size(), what) == 0;
}

std::string collapseBlanks(std::string_view s) {
    std::string out;
    bool blank = false;
    for (char c : s) {
        if (c == ' ' || c == '\t' || c == '\r' || c == '\n') {
            blank = true;
            continue;
        }
        if (blank && !out.empty()) out += ' ';
        blank = false;
        out += c;
    }
    return out;
}

// The qbXML version a DOCTYPE's body (what stands between "<!DOCTYPE" and ">", blanks
// collapsed) names: QBXML PUBLIC with Intuit's public identifier of 1.0 or 1.1, in either
// kind of quotes, and then, as in Intuit's own samples, a system literal or none. The system
// literal is never fetched. Empty when it names none.
std::string doctypeVersion(std::string_view body) {
    for (const char* known : {"1.0", "1.1"}) {
        for (char q : {'\'', '"'}) {
            const std::string head =
                std::string("QBXML PUBLIC ") + q + "-//INTUIT//DTD QBXML QBD " + known + "//EN" + q;
            if (!body.starts_with(head)) continue;
            std::string_view rest = body.substr(head.size());
            if (rest.empty()) return known;
            // " 'literal'" or " \"literal\"": a quoted text without its own quote inside.
            if (rest.size() >= 3 && rest[0] == ' ' && (rest[1] == '\'' || rest[1] == '"') &&
                rest.back() == rest[1] &&
                rest.substr(2, rest.size() - 3).find(rest[1]) == std::string_view::npos)
                return known;
        }
    }
    return {};
}

}  // namespace

// XML 1.0 allows no control characters but tab, line feed and carriage return: a request
// holding any other is binary data, whatever a lenient parser would make of it.
void rejectBinary(std::string_view text) {
    for (std::size_t i = 0; i < text.size(); ++i) {
        auto c = static_cast<unsigned char>(text[i]);
        if ((c < 0x20 && c != '\t' && c != '\n' && c != '\r') || c == 0x7f) {
            char buf[80];
            std::snprintf(buf, sizeof buf, "control byte 0x%02X at offset %zu", c, i);
            parseError(buf);
        }
    }
}

// An optional XML declaration comes first, then comments, processing instructions and at
// most one document type declaration, of which a qbXML version marker must be one: the
// DOCTYPE line or <?qbxml version="..."?> of 1.0 or 1.1. A DOCTYPE with an internal subset
// (the only place entities can be declared) is refused outright, so no entity is ever
// defined, let alone expanded.
std::size_t checkProlog(std::string_view text, std::string& declared) {
    std::size_t pos = startsWith(text, 0, "\xEF\xBB\xBF") ? 3 : 0;
    const std::size_t start = pos;
    bool version = false, doctype = false;
    for (;;) {
        while (pos < text.size() && std::string_view(" \t\r\n").find(text[pos]) != std::string_view::npos)
            ++pos;
        if (pos >= text.size()) parseError("no root element");
        if (startsWith(text, pos, "<?")) {
            auto end = text.find("?>", pos + 2);
            if (end == std::string_view::npos) parseError("unterminated processing instruction");
            std::string body = collapseBlanks(text.substr(pos + 2, end - pos - 2));
            std::string target = body.substr(0, body.find(' '));
            if (target == "xml") {
                if (pos != start) parseError("XML declaration not at the start of the text");
            } else if (target == "qbxml") {
                std::string rest = body.substr(target.size());
                rest.erase(std::remove(rest.begin(), rest.end(), ' '), rest.end());
                std::string v;
                if (rest.size() == 13 && rest.starts_with("version=") &&
                    (rest[8] == '"' || rest[8] == '\'') && rest[12] == rest[8])
                    v = rest.substr(9, 3);
                if (v != "1.0" && v != "1.1") parseError("unsupported qbXML version marker <?" + body + "?>");
                if (!declared.empty() && declared != v) parseError("two qbXML versions in one request");
                declared = v;
                version = true;
            }
            pos = end + 2;
        } else if (startsWith(text, pos, "<!--")) {
            auto end = text.find("-->", pos + 4);
            if (end == std::string_view::npos) parseError("unterminated comment");
            pos = end + 3;
        } else if (startsWith(text, pos, "<!DOCTYPE")) {
            auto end = text.find('>', pos);
            if (end == std::string_view::npos) parseError("unterminated DOCTYPE");
            std::string_view decl = text.substr(pos, end - pos + 1);
            if (decl.find('[') != std::string_view::npos) parseError("DOCTYPE with an internal subset");
            if (doctype) parseError("second DOCTYPE");
            const std::string v = doctypeVersion(collapseBlanks(decl.substr(9, decl.size() - 10)));
            if (v.empty()) parseError("unsupported DOCTYPE " + std::string(decl));
            if (!declared.empty() && declared != v) parseError("two qbXML versions in one request");
            declared = v;
            doctype = version = true;
            pos = end + 1;
        } else if (startsWith(text, pos, "<!")) {
            parseError("markup declaration outside a DOCTYPE");
        } else if (text[pos] == '<') {
            break;
        } else {
            parseError("text before the root element");
        }
    }
    if (!version) parseError("no qbXML version: neither a qbXML DOCTYPE nor <?qbxml version=\"...\"?>");
    // Declarations after the prolog are not XML; the parser would skip them silently.
    for (const char* decl : {"<!DOCTYPE", "<!ENTITY", "<!ELEMENT", "<!ATTLIST"})
        if (text.find(decl, pos) != std::string_view::npos)
            parseError(std::string(decl) + " inside the document");
    return pos;
}

// The parser keeps no text that follows the root element, so it is looked for here: after
// the root's end tag only blanks, comments and processing instructions may follow.
void checkEpilog(std::string_view text) {
    auto end = text.rfind("</QBXML");
    if (end == std::string_view::npos) return;  // no such root: the schema check refuses it
    auto pos = text.find('>', end);
    if (pos == std::string_view::npos) return;  // unterminated: the parser refuses it
    ++pos;
    while (pos < text.size()) {
        if (std::string_view(" \t\r\n").find(text[pos]) != std::string_view::npos) {
            ++pos;
        } else if (startsWith(text, pos, "<!--")) {
            auto e = text.find("-->", pos + 4);
            if (e == std::string_view::npos) parseError("unterminated comment after the root element");
            pos = e + 3;
        } else if (startsWith(text, pos, "<?")) {
            auto e = text.find("?>", pos + 2);
            if (e == std::string_view::npos)
                parseError("unterminated processing instruction after the root element");
            pos = e + 2;
        } else {
            parseError("content after the root element");
        }
    }
}

}  // namespace ztl::qbsim
