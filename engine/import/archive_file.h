#pragma once
// ArchiveFile: after an import the totals file moves to a time-stamped name beside it, so
// that it no longer stands under its own name: the path followed directly by the month,
// day, four-digit year, hour and minute, none padded ("...3X390.QB392006145" for 9 March
// 2006, 14:05). Two moments can give one name, so a name already taken gets ".1", ".2", ...
// Nothing is ever lost: the copy is written to a new file, flushed to disk and compared
// with the original before the original is deleted; any failure leaves the totals file
// where it was and removes the incomplete copy. Failures are silent, but for one: a copy
// made whose original could not be deleted leaves the day under both names, and the next
// start would import it again, so the caller is told.
#include "engine/company/file_names.h"
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <system_error>

#include "platform/clock.h"

namespace ztl {


struct ArchivedFile {
    std::string name;  // the archive's path as given (Windows or local form)
    // Why the totals file is still under its own name beside its archive; nothing when it is gone.
    std::optional<std::string> originalLeft;
};

// The archive, or nothing when the file was not archived.
std::optional<ArchivedFile> ArchiveFile(const std::string& path, const Clock& clock);

// The same with the deletion of the original given, for a test to make it fail.
using RemoveFile = std::function<void(const std::filesystem::path&, std::error_code&)>;
std::optional<ArchivedFile> ArchiveFile(const std::string& path, const Clock& clock,
                                        const RemoveFile& removeOriginal);

// What the operator is told of an archive whose original stayed.
std::string originalLeftMessage(const std::string& path, const ArchivedFile& archive);

}  // namespace ztl
