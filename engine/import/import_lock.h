#pragma once
// One import of a totals file at a time, across the workstations of a store: two runs of
// one X390.QB against one company would post every transaction twice, and the second run's
// import log would replace the first's.
//
// The lock is a file beside the totals file, named as the totals file with ".lock" added
// (X390.QB.lock), and created exclusively: an exclusive create is atomic on a local disk
// and on the store server's SMB share alike, where an advisory lock taken by one client is
// not seen by another. It names the run that holds it, one "name=value" line each:
//
//   workstation=TILL-2                  the computer name
//   process=4242                        the process id on that workstation
//   started=1796622350                  seconds since 1970 (UTC): the lock's age
//   since=12/07/2026 9:05:03 PM         the holder's own date and time text, for messages
//
// A lock whose run has died is taken over: one of this workstation whose process is gone,
// or one older than a day (a run on another workstation cannot be asked). A lock file
// without a readable text ages from the file's modification time; its maker writes the text
// at once after making the file, so one still without it after kUnnamedLockGrace was left by
// a run that died in between (killed, or its machine lost power). Release removes the file
// while it still names this run.
#include "engine/company/file_names.h"
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "platform/clock.h"
#include "platform/vb_error.h"

namespace ztl {

struct ImportRun {
    std::string workstation;  // empty: a lock whose text could not be read
    long process = 0;
    std::int64_t started = 0;
    std::string since;
    bool operator==(const ImportRun&) const = default;
};

inline constexpr std::int64_t kImportLockMaxAge = 24 * 60 * 60;
inline constexpr std::int64_t kUnnamedLockGrace = 10;


std::string importLockText(const ImportRun& run);
// The run a lock file's text names; nothing when it names no workstation and process.
std::optional<ImportRun> parseImportLock(std::string_view text);

// This process as a lock names it: this computer, this process, now on `clock`.
ImportRun thisProcessRun(const Clock& clock);

// Whether the run that holds a lock has ended without releasing it.
bool importRunHasDied(const ImportRun& holder, const std::string& thisWorkstation, std::int64_t now);

class ImportLock {
  public:
    // Tries to take the lock for this run, taking over a dead run's lock. Never throws:
    // the outcome is in taken(), otherRun() and failure().
    ImportLock(std::filesystem::path lockFile, ImportRun self, std::int64_t now);
    ~ImportLock();  // release()
    ImportLock(const ImportLock&) = delete;
    ImportLock& operator=(const ImportLock&) = delete;

    bool taken() const { return taken_; }
    // Not taken: the run that holds the lock. Taken: the dead run whose lock was taken over.
    const std::optional<ImportRun>& otherRun() const { return other_; }
    // Not taken and held by no run: why the lock file could not be made.
    const std::optional<VbError>& failure() const { return failure_; }
    // Removes the lock while it still names this run. A lock that could not be removed (or
    // read back) stays behind and other workstations are refused until it is a day old:
    // why, in releaseFailure(), for the run to report.
    void release();
    const std::optional<VbError>& releaseFailure() const { return releaseFailure_; }

  private:
    bool create();
    void takeOverOrFindHeld(std::int64_t now);

    std::filesystem::path file_;
    ImportRun self_;
    bool taken_ = false;
    std::optional<ImportRun> other_;
    std::optional<VbError> failure_;
    std::optional<VbError> releaseFailure_;
};

}  // namespace ztl
