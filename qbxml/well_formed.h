#pragma once
// The strict check every QuickBooks answer passes before the DOM reader sees it: the answer
// must be well-formed XML, as the parser the programs were written against demands. A
// lenient reader would take two top-level elements, a repeated attribute, an undefined
// entity, a '<' in an attribute value, text before the root, or "&#0;" (which would cut a
// text short); expat refuses each of them.
//
// Beyond well-formedness, an answer is refused when it nests deeper than kMaxAnswerDepth
// elements (a qbXML answer needs six; a hostile one could exhaust whatever walks it) or
// declares entities (QuickBooks never does; expanding them could build gigabytes from a
// few lines). Nothing is ever fetched: expat reads no external entity or DTD without a
// handler, and none is installed.
#include <optional>
#include <string>
#include <string_view>

namespace ztl::qbxml {

inline constexpr int kMaxAnswerDepth = 256;

// Nothing when the text is well-formed; otherwise the reason, for "loadXML failed, reason: ".
std::optional<std::string> wellFormednessError(std::string_view text);

}  // namespace ztl::qbxml
