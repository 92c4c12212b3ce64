#pragma once
// The days an unattended run has still to post. The store system writes each day's totals
// file over the last, so the run copies the day, before it posts anything, into the folder
// "pending" beside the totals file (where its archives are), under the day's date and the
// totals file's own name, which names the store: "pending/2025-04-01 12X390.QB". Runs post
// these oldest first. A copy leaves the folder once QuickBooks holds every one of its
// transactions, when the store system writes its day again (the new file takes its place),
// or when the bookkeeper drops it; until then every later run tries it first. Copies that
// leave without being posted move beside the totals file under its archive name, and a
// day's import logs leave with it.
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "engine/company/file_names.h"
#include "platform/clock.h"
#include "platform/store_date.h"

namespace ztl {

struct PendingDay {
    std::filesystem::path file;  // the copy, a path of this machine
    std::string date;            // YYYY-MM-DD, as its name begins
};

// "2025-04-01".
std::string isoDate(const CalendarDate& date);

// The pending days of this totals file, oldest first; none when the folder is missing.
std::vector<PendingDay> pendingDaysOf(const std::filesystem::path& totalsFile);

// Every pending day in the folder of this totals file, whichever store's, oldest first.
std::vector<PendingDay> pendingDaysBeside(const std::filesystem::path& totalsFile);

// Keeps `bytes` as a pending day of this totals file. A copy of the same bytes already there
// is the same day kept before: it is returned as it is. A name already taken by other bytes
// gets " (2)", " (3)", ... before the totals file's name. The copy is written to a new file,
// flushed and read back before it counts. Throws VbError (75) when it cannot be kept.
std::filesystem::path keepPendingDay(const std::filesystem::path& totalsFile, const std::string& date,
                                     const std::string& bytes);

// For whoever looks at a totals file by hand (ztl check, ztl import): one line per pending
// day of it, and how it will be posted; none when nothing is pending. `named` is the totals
// file as the person named it, for the command the line gives.
std::vector<std::string> pendingDayLines(const std::filesystem::path& totalsFile, const std::string& named);

// The pending days of this totals file that `bytes`, a day of `date` the store system wrote
// again, replaces: copies of that date with other bytes that share at least one invoice
// number with it (the same day, corrected). A copy of that date whose invoice numbers are all
// others is another batch of the day and stays.
std::vector<PendingDay> pendingDaysReplacedBy(const std::filesystem::path& totalsFile, const std::string& date,
                                              const std::string& bytes);

// Moves a kept copy of a day (a pending day, an incomplete copy) to the totals file's archive
// name of now beside it (".1", ".2", ... when taken), never over another file. Returns the
// archive; throws VbError (75) naming both paths when it cannot be moved.
std::filesystem::path archiveKeptCopy(const std::filesystem::path& copy, const std::filesystem::path& totalsFile,
                                      const Clock& clock);

// A pending day's import logs ("pending/2025-04-01 12QBImport.log" and its kept ".1", ".2")
// leave the pending folder with the day: they become the next kept logs of the totals file's
// own log beside it ("12QBImport.log.3", ...), oldest first, never over another file. Returns
// what became of each, in that order, in words for a message and the operation log: "its
// import log is kept as ...", or "its import log could not be moved: ..." for one that stays.
std::vector<std::string> moveDayLogs(const std::filesystem::path& pendingCopy,
                                     const std::filesystem::path& totalsFile);

}  // namespace ztl
