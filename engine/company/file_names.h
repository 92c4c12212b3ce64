#pragma once
// Every file name the programs make or parse beside a store's totals file, in one place, so
// that whoever writes a name and whoever reads it back go by the same rule: the import log
// named after the totals file and the totals file after its log, the kept logs' numbers, the
// import and unattended locks, the archive names, and the pending days.
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "platform/clock.h"

namespace ztl {

// The store system's totals file ends in this, its import log in the other.
inline constexpr std::string_view kTotalsFileTail = "X390.QB";
inline constexpr std::string_view kImportLogTail = "QBImport.log";
inline constexpr const char* kPendingFolderName = "pending";

namespace importlog {
// "3X390.QB" -> "3QBImport.log": the totals name without its last 7 characters. Throws
// VbError (5) for a name shorter than that.
std::string logPathFor(const std::string& totalsPath);
}  // namespace importlog

// The store a totals file is of, as messages and records name it: "Store 12" for
// "12X390.QB"; the single-store edition's own "X390.QB" is the one store of its company,
// "The store"; any other name as it stands.
std::string storeLabel(const std::string& totalsPath);
// Whether storeLabel names the store by its number.
bool numberedStore(const std::string& totalsPath);

// The totals file a log was written for ("3QBImport.log" or the kept "3QBImport.log.2" ->
// "3X390.QB"); empty when the name is no import log's.
std::string totalsPathOfLog(const std::string& logPath);

// A kept log: the log's name followed by "." and its number (1, 2, ...).
std::filesystem::path keptLogPath(const std::filesystem::path& log, long number);
// The number of a kept log of `logFileName` from a file's name; none when it is not one.
std::optional<long> keptLogNumber(std::string_view fileName, std::string_view logFileName);

// The lock of a window's or ztl's import of the totals file, and of the unattended run.
std::filesystem::path importLockPath(const std::filesystem::path& totalsFile);
std::filesystem::path postLockPath(const std::filesystem::path& totalsFile);

// The archive name: the path followed by month, day, year, hour and minute, unpadded
// ("3X390.QB392026145"); a name already taken gets ".1", ".2", ...
std::string archiveName(const std::string& path, const LocalDateTime& t);
// Whether what follows a totals file's name is an archive's stamp: 8 to 12 digits (the
// shortest moment is 1 1 yyyy 0 0, the longest 12 31 yyyy 23 59), then perhaps ".N".
bool isArchiveStamp(std::string_view rest);
// The ".N" of an archive's stamp; 0 when it has none.
int archiveTakenNumber(std::string_view rest);

// The pending days of a totals file: "pending/2025-04-01 12X390.QB" beside it, a name
// already taken by another copy "pending/2025-04-01 (2) 12X390.QB".
std::filesystem::path pendingFolder(const std::filesystem::path& totalsFile);
std::string pendingDayName(const std::string& isoDate, int copy, const std::string& totalsName);
bool isIsoDate(std::string_view text);  // "2025-04-01"
bool isPendingDayOf(const std::string& pendingName, const std::string& totalsName);
// The totals file a pending day was kept for, when `file` is a pending day's copy.
std::optional<std::filesystem::path> totalsFileOfPendingDay(const std::filesystem::path& file);
// A day kept because its totals file was not whole: "pending/2025-04-01 12X390.QB.incomplete",
// never posted from; the store system's next run cannot write over it.
std::string incompleteDayName(const std::string& isoDate, const std::string& totalsName);

}  // namespace ztl
