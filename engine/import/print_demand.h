#pragma once
// What the results window says before it demands the printout of a log with a refused
// entry: every program shows these words; a terminal, which has no OK to click, ends them
// with its own step.
#include <string>

namespace ztl {

inline constexpr const char* kPrintDemand =
    "Import errors have occured !\nYou MUST print this log file to continue.\n"
    " Consult your documentation for import error procedure.\n\n";

inline std::string printDemandText() {
    return std::string(kPrintDemand) + "Click OK to print the import log file.";
}

}  // namespace ztl
