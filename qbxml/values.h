#pragma once
// The value rules of qbXML fields as QuickBooks applies them: what the simulated company
// enforces, what the check before an import foresees, and how amounts read and print, in
// one place.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace ztl {

// YYYY-MM-DD naming a day the calendar has.
bool isQbxmlDate(std::string_view text);

// Who reads an amount. QuickBooks takes a request's amount with exactly two digits after a
// point, if it has one; reading QuickBooks' answers, the engine takes one or two as well.
enum class AmountReading { Request, Answer };

// [+-]?digits(.dd)? with surrounding blanks ignored and at most twelve integer digits (the
// largest amount QuickBooks takes), as signed cents; empty when the text is no such amount.
std::optional<std::int64_t> qbxmlAmountCents(std::string_view text,
                                             AmountReading reading = AmountReading::Request);

// Cents as QuickBooks writes an amount: "-1234.05", "0.00". Any int64 value, the most
// negative one too.
std::string centsText(std::int64_t cents);

// The characters of a UTF-8 text, as QuickBooks counts a field's length.
std::size_t utf8CharacterCount(std::string_view utf8);

}  // namespace ztl
