#pragma once
// The import log "QBImport.log": single-byte text beside the totals file, created anew by
// every run, lines ending in CR LF.
//
//   Korvane Zentrel import log <short date> : <time>
//   ---------------------------------------------------------------------------- (76 + blank)
//   " "
//   then per transaction that received a response:
//   Transaction : <n>    Invoice : <reference>
//   Import successful                                      (status message "Status OK")
//   ERROR   ----------> !!! Import aborted !!! <--------- ! (severity "Error")
//   Response Status Code : <c>       Return StatusSeverity Code : <s>   Import result ID :<id>
//   Return Status Message :<message>
//   " "
#include <string>

namespace ztl::importlog {

std::string headingLine(const std::string& shortDate, const std::string& time);
std::string ruleLine();
std::string transactionHeading(int transactionNumber, const std::string& referenceNumber);
inline constexpr const char* kSuccessLine = "Import successful";
inline constexpr const char* kAbortLine = "ERROR   ----------> !!! Import aborted !!! <--------- !";
std::string statusLine(const std::string& code, const std::string& severity, const std::string& txnId);
std::string messageLine(const std::string& message);
inline constexpr const char* kBlankLine = " ";

// The log's path: the totals path with its last 7 characters (the file name "X390.QB")
// replaced, so a store number in front of the name stays in front of the log's name.
// Throws error 5 for a path shorter than that.
std::string logPathFor(const std::string& totalsPath);

}  // namespace ztl::importlog
