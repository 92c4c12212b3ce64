#pragma once
// Values inserted into XML written by hand. Three strengths, as the writers need them:
//   Markup        & < > only: requests keep every other character as typed, byte for byte;
//   Attribute     also " and ', so that a value may stand inside an attribute as well;
//   PreservingCR  also CR as &#13;, which an XML reader would otherwise turn into LF (an
//                 answer carried inside another document must arrive as it was sent).
#include <string>
#include <string_view>

namespace ztl {

enum class XmlEscape { Markup, Attribute, PreservingCR };

std::string xmlEscaped(std::string_view text, XmlEscape strength = XmlEscape::Markup);

}  // namespace ztl
