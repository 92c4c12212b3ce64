#pragma once
// The single-store edition's plain operation log, and the entry form it shares with the
// single-store import run's error entries: date, blank, time, blank, CR LF, the message.
#include <filesystem>
#include <string>

#include "platform/clock.h"

namespace ztl {

std::string operationLogEntry(const Clock& clock, const std::string& message);
// Appends the entry and CR LF, creating the file when missing. A log that cannot be
// written is never reported: it must not stop the work it records.
void appendOperationLog(const std::filesystem::path& logPath, const std::string& entry);

}  // namespace ztl
