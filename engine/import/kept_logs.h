#pragma once
// An import never destroys an earlier run's log: before a run writes its own, the log it
// finds beside the totals file is kept under the next free number ("QBImport.log.1", ".2",
// ...; the highest is the latest), so that an undo of that run still finds what it posted.
// The run holds the totals file's import lock meanwhile, so no other run renames the same log.
#include <filesystem>
#include <optional>
#include <vector>

namespace ztl {

// The kept log's path, or nothing when there was no log to keep. Throws VbError (75) when the
// log could not be kept: the caller must not write over it.
std::optional<std::filesystem::path> keepPreviousLog(const std::filesystem::path& log);

// The kept logs of `log`, oldest first.
std::vector<std::filesystem::path> keptLogs(const std::filesystem::path& log);

}  // namespace ztl
