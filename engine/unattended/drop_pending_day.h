#pragma once
// The bookkeeper takes a pending day out of the queue (`ztl pending FILE --drop DATE`, or the
// console): every copy of that date moves to an archive name beside the totals file, never
// deleted, and its import logs become kept logs of the totals file's own. A day held for
// the bookkeeper then no longer holds back the later ones. No unattended run may be posting
// the store's days meanwhile: it could be posting the very copy that moves.
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "platform/clock.h"

namespace ztl {

struct DroppedDay {
    std::filesystem::path copy;     // the pending day's copy as it was
    std::filesystem::path archive;  // where it is kept now
    std::vector<std::string> logs;  // what became of its import logs, in words (moveDayLogs)
};

struct PendingDayDrop {
    std::vector<DroppedDay> dropped;  // oldest first
    // Why the day (or what is left of it) stays pending: an unattended run holds the store,
    // or a copy could not be moved. None when every copy of the date was dropped.
    std::optional<std::string> failure;
    // Whether the date named any pending day of the totals file.
    bool found = false;
};

// Drops every pending copy of `date` (YYYY-MM-DD) of this totals file.
PendingDayDrop dropPendingDay(const std::filesystem::path& totalsFile, const std::string& date, const Clock& clock);

// What became of one dropped copy, for the operation log: "the pending day ... is taken out of
// the queue and kept as ...; no unattended run posts it; its import log is kept as ...".
std::string droppedDayNote(const DroppedDay& day);

}  // namespace ztl
