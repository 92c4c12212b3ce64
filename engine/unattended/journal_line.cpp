#include "engine/unattended/journal_line.h"

namespace ztl {

std::string journalLine(JournalPriority priority, const std::string& text) {
    std::string line = "<" + std::to_string(static_cast<int>(priority)) + ">";
    for (char c : text) line += (c == '\n' || c == '\r') ? ' ' : c;
    return line;
}

}  // namespace ztl
