#include "engine/company/operation_log.h"

#include "platform/text_file.h"
#include "platform/vb_error.h"

namespace ztl {

std::string operationLogEntry(const Clock& clock, const std::string& message) {
    LocalDateTime t = clock.now();
    return clock.shortDate(t) + " " + clock.timeText(t) + " \r\n" + message;
}

void appendOperationLog(const std::filesystem::path& logPath, const std::string& entry) {
    if (logPath.empty()) return;
    try {
        appendLine(logPath, entry);
    } catch (const VbError&) {
        // Not reported: a log that cannot be written must not stop the work it records.
    }
}

}  // namespace ztl
