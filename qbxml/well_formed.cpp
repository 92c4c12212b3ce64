#include "qbxml/well_formed.h"

#include <expat.h>

#include <algorithm>
#include <climits>
#include <memory>

namespace ztl::qbxml {
namespace {

struct Check {
    XML_Parser parser;
    int depth = 0;
    std::string refusal;  // why a handler stopped the parser

    void refuse(std::string why) {
        if (refusal.empty()) refusal = std::move(why);
        XML_StopParser(parser, XML_FALSE);
    }
};

Check& of(void* data) {
    return *static_cast<Check*>(data);
}

void XMLCALL onStart(void* data, const XML_Char*, const XML_Char**) {
    Check& c = of(data);
    if (++c.depth > kMaxAnswerDepth)
        c.refuse("the answer nests deeper than " + std::to_string(kMaxAnswerDepth) + " elements");
}

void XMLCALL onEnd(void* data, const XML_Char*) {
    --of(data).depth;
}

void XMLCALL onEntityDeclaration(void* data, const XML_Char* name, int, const XML_Char*, int, const XML_Char*,
                                 const XML_Char*, const XML_Char*, const XML_Char*) {
    of(data).refuse(std::string("entity declarations are not accepted (") + name + ")");
}

// Called for a reference to an entity that was never declared where expat tolerates one
// (a document with an external DTD it does not read): still an undefined entity here.
void XMLCALL onSkippedEntity(void* data, const XML_Char* name, int) {
    of(data).refuse(std::string("undefined entity &") + name + ";");
}

}  // namespace

std::optional<std::string> wellFormednessError(std::string_view text) {
    std::unique_ptr<XML_ParserStruct, void (*)(XML_Parser)> parser(XML_ParserCreate(nullptr), XML_ParserFree);
    if (!parser) return "the XML parser could not be created";
    Check check{parser.get(), 0, {}};
    XML_SetUserData(parser.get(), &check);
    XML_SetElementHandler(parser.get(), onStart, onEnd);
    XML_SetEntityDeclHandler(parser.get(), onEntityDeclaration);
    XML_SetSkippedEntityHandler(parser.get(), onSkippedEntity);
    XML_SetParamEntityParsing(parser.get(), XML_PARAM_ENTITY_PARSING_NEVER);

    // XML_Parse takes an int length: a longer answer goes in pieces.
    constexpr size_t kPiece = 1 << 20;
    size_t at = 0;
    do {
        const size_t n = std::min(kPiece, text.size() - at);
        const bool last = at + n == text.size();
        if (XML_Parse(parser.get(), text.data() + at, static_cast<int>(n), last ? XML_TRUE : XML_FALSE) !=
            XML_STATUS_OK) {
            if (!check.refusal.empty()) return check.refusal;
            return std::string(XML_ErrorString(XML_GetErrorCode(parser.get()))) + " (line " +
                   std::to_string(XML_GetCurrentLineNumber(parser.get())) + ", column " +
                   std::to_string(XML_GetCurrentColumnNumber(parser.get()) + 1) + ")";
        }
        at += n;
    } while (at < text.size());
    return std::nullopt;
}

}  // namespace ztl::qbxml
