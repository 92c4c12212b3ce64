#pragma once
// The entries of the operation log "ztloperation.log", the plain record of every start, end
// and error of the single-store program. Each begins with the workstation's short date, a
// blank and its long time; the writer adds CR LF after each.
#include <string>

#include "platform/clock.h"

namespace ztl {

inline constexpr const char* kOperationLogName = "ztloperation.log";

std::string startEntry(const Clock& clock);  // "<date> <time> Zentrel Start "
std::string endEntry(const Clock& clock);    // "<date> <time> Zentrel end program "
// An error of the start-up or the load: "<date> <time> " CR LF, then the message shown.
std::string errorEntry(const Clock& clock, const std::string& message);
// An error of the source check: the error entry, CR LF, "importsource$=" and the path.
std::string sourceCheckErrorEntry(const Clock& clock, const std::string& message, const std::string& source);
// An error of the Import button: as the source check's, with a blank after the "=".
std::string importErrorEntry(const Clock& clock, const std::string& message, const std::string& source);

}  // namespace ztl
