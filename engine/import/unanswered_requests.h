#pragma once
// The transactions of a totals file that an earlier import sent without its answer coming
// back, as the file's kept logs tell (kept_logs.h). QuickBooks may have posted them; when a
// later run finds them there, it is the one that records their TxnIDs as posted by the
// import, so that its undo reaches them.
#include <filesystem>
#include <map>
#include <string>

namespace ztl {

// Invoice number (single-byte, as the log writes it) -> the name of the kept log whose run
// sent it unanswered. A transaction counts only while the latest kept block of it says so:
// once a later run has found it in QuickBooks (or posted, or had it refused), that run's log
// is its record.
std::map<std::string, std::string> unansweredInKeptLogs(const std::filesystem::path& log);

}  // namespace ztl
