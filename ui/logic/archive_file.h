#pragma once
// ArchiveFile: after an import the totals file moves to a time-stamped name beside it, so
// that it no longer stands under its own name: the path followed directly by the month,
// day, four-digit year, hour and minute, none padded ("...3X390.QB392006145" for 9 March
// 2006, 14:05). Two moments can give one name, so a name already taken gets ".1", ".2", ...
// Nothing is ever lost: the copy is written to a new file, flushed to disk and compared
// with the original before the original is deleted; any failure leaves the totals file
// where it was and removes the incomplete copy. Failures are silent.
#include <optional>
#include <string>

#include "platform/clock.h"

namespace ztl::ui {

std::string archiveName(const std::string& path, const LocalDateTime& t);

// The archive's path as given (Windows or local form), or nothing when the file was not
// archived.
std::optional<std::string> ArchiveFile(const std::string& path, const Clock& clock);

}  // namespace ztl::ui
