#pragma once
// The value rules of qbXML fields as QuickBooks applies them when it reads a request: what
// the simulated company enforces and what the check before an import foresees, in one place.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

namespace ztl {

// YYYY-MM-DD naming a day the calendar has.
bool isQbxmlDate(std::string_view text);
// [+-]?digits(.dd)? with surrounding blanks ignored and at most twelve integer digits, as
// signed cents; empty when the text is no such amount.
std::optional<std::int64_t> qbxmlAmountCents(std::string_view text);
// The characters of a UTF-8 text, as QuickBooks counts a field's length.
std::size_t utf8CharacterCount(std::string_view utf8);

}  // namespace ztl
