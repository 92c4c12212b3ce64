#pragma once
// The module error report: what every error trap of the import engine and the windows shows.
//   <heading>\nError # <number>  \n<description><tail>
// The heading is quoted exactly by each procedure, trailing blank or not; a few operations
// write "error # " in lower case; some add further lines, passed as the tail.
#include <string>
#include <string_view>

#include "vb_error.h"

namespace ztl {

enum class ErrorWord { Capital, Lower };

std::string moduleErrorReport(std::string_view heading, long number, std::string_view description,
                              std::string_view tail = {}, ErrorWord word = ErrorWord::Capital,
                              std::string_view headingBreak = "\n");

inline std::string moduleErrorReport(std::string_view heading, const VbError& e, std::string_view tail = {},
                                     ErrorWord word = ErrorWord::Capital) {
    return moduleErrorReport(heading, e.number, e.description, tail, word);
}

}  // namespace ztl
