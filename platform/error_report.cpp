#include "error_report.h"

namespace ztl {

std::string moduleErrorReport(std::string_view heading, long number, std::string_view description,
                              std::string_view tail, ErrorWord word, std::string_view headingBreak) {
    std::string r;
    r.append(heading);
    r.append(headingBreak);
    r += word == ErrorWord::Capital ? "Error # " : "error # ";
    r += std::to_string(number);
    r += "  \n";
    r.append(description);
    r.append(tail);
    return r;
}

}  // namespace ztl
