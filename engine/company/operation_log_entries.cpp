#include "engine/company/operation_log_entries.h"

#include "engine/company/operation_log.h"

namespace ztl {
namespace {

std::string stamped(const Clock& clock, const std::string& text) {
    LocalDateTime now = clock.now();
    return clock.shortDate(now) + " " + clock.timeText(now) + text;
}

}  // namespace

std::string startEntry(const Clock& clock) {
    return stamped(clock, " Zentrel Start ");
}

std::string endEntry(const Clock& clock) {
    return stamped(clock, " Zentrel end program ");
}

std::string errorEntry(const Clock& clock, const std::string& message) {
    return operationLogEntry(clock, message);
}

std::string sourceCheckErrorEntry(const Clock& clock, const std::string& message, const std::string& source) {
    return operationLogEntry(clock, message + "\r\nimportsource$=" + source);
}

std::string importErrorEntry(const Clock& clock, const std::string& message, const std::string& source) {
    return operationLogEntry(clock, message + "\r\nimportsource$= " + source);
}

}  // namespace ztl
