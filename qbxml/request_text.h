#pragma once
// The form every request the programs send is written in: lines that end in CR LF,
// indentation in blanks, a prolog naming the lowest qbXML version that has every element
// the request uses, and one message set.
#include <string>
#include <string_view>

namespace ztl::qbxml {

enum class Version { V1_0, V1_1 };

// What QuickBooks does with the rest of a message set after a request fails.
enum class OnError { Stop, Continue };

// Appends one line: `blanks` blanks, the text, CR LF.
void appendLine(std::string& out, int blanks, std::string_view text);

// A whole request: the prolog of `version`, the message set opened with `onError`, the
// body (lines made with appendLine, the requests at eight blanks), the closing lines.
std::string requestMessage(Version version, OnError onError, std::string_view body);

}  // namespace ztl::qbxml
