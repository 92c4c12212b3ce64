#pragma once
// What the results window says before it demands the printout of a log with a refused
// entry: every program and the command line show these words.
#include <string>

namespace ztl {

inline std::string printDemandText() {
    return "Import errors have occured !\nYou MUST print this log file to continue.\n"
           " Consult your documentation for import error procedure.\n\nClick OK to print the import log "
           "file.";
}

}  // namespace ztl
