#include "engine/unattended/drop_pending_day.h"

#include "engine/company/file_names.h"
#include "engine/import/import_lock.h"
#include "engine/unattended/pending_days.h"
#include "platform/vb_error.h"

namespace ztl {

PendingDayDrop dropPendingDay(const std::filesystem::path& totalsFile, const std::string& date, const Clock& clock) {
    PendingDayDrop result;
    std::vector<PendingDay> days;
    for (const PendingDay& d : pendingDaysOf(totalsFile))
        if (d.date == date) days.push_back(d);
    result.found = !days.empty();
    if (days.empty()) return result;
    // The unattended run's own lock: while it is held a run is posting these very copies. A
    // lock that cannot be made at all (a folder that cannot be written) is no run: the moves
    // below then say what fails.
    ImportLock lock(postLockPath(totalsFile), thisProcessRun(clock), unixSeconds(clock.now()));
    if (!lock.taken() && lock.otherRun()) {
        result.failure = "an unattended run has been posting the days of " + totalsFile.string() + " since " +
                         lock.otherRun()->since + " on " + lock.otherRun()->workstation +
                         "; the day stays pending: drop it once that run has ended";
        return result;
    }
    for (const PendingDay& d : days) {
        DroppedDay dropped{d.file, {}, {}};
        try {
            dropped.archive = archiveKeptCopy(d.file, totalsFile, clock);
        } catch (const std::exception& ex) {
            result.failure = toVbError(ex).description + "; it stays pending";
            return result;
        }
        dropped.logs = moveDayLogs(d.file, totalsFile);
        result.dropped.push_back(std::move(dropped));
    }
    return result;
}

std::string droppedDayNote(const DroppedDay& day) {
    std::string note = "the pending day " + day.copy.string() + " is taken out of the queue and kept as " +
                       day.archive.string() + "; no unattended run posts it";
    for (const std::string& log : day.logs) note += "; " + log;
    return note;
}

}  // namespace ztl
