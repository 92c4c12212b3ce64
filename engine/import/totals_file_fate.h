#pragma once
// What becomes of the totals file after an import run. Until QuickBooks holds every one of
// its transactions the file is the only copy of the day's totals, so:
//   - it is removed only when the run reached its end (the results were shown), QuickBooks
//     refused nothing, and the log records as many posted entries as the file holds
//     transactions, at least one (a file without any may not be a totals file at all:
//     it is kept for a look);
//   - a run that reached its end with anything unposted (a refused entry, a transaction that
//     was never sent, lines the run could not read) leaves it under its time-stamped archive
//     name, so it is not imported twice by mistake and its totals are still at hand;
//   - a run that stopped early leaves it where it is, and so does one that handed an entry to
//     QuickBooks and never got its answer: that entry may or may not be posted, and the next
//     import asks QuickBooks before sending it again, which it can only do while the file
//     stands under its own name; as does a file that changed while the
//     run read it (what it holds now was never imported) or one that another workstation's
//     run is importing (this run was refused: it must not vanish from under that run). The
//     last two are not what the operator expects after an import, so they are told why.
#include <optional>
#include <string>

#include "engine/company/run_record.h"
#include "platform/clock.h"

namespace ztl {

enum class TotalsFileFate {
    Removed,       // every transaction of the file is in QuickBooks
    Archived,      // the run reached its end with something unposted
    StoppedEarly,  // the run did not reach its end: left where it is
    AnswerLost,    // an entry's answer never came back: left where it is
    Changed,       // the file changed while the run read it: left where it is
    InUse,         // another workstation's run held its import lock: left where it is
};

// What the Import button knows once the run has returned: the run's own record, and the
// totals file's bytes before and after it.
struct ImportRunRecord {
    RunRecord run;
    std::optional<std::string> totalsBefore;  // the totals file's bytes before the run
    std::optional<std::string> totalsAfter;   // and after it
};

TotalsFileFate totalsFileFate(const ImportRunRecord& run);

struct TotalsFileOutcome {
    TotalsFileFate fate = TotalsFileFate::StoppedEarly;
    std::string archive;  // the archive's path when archived
    // Archived, but the totals file could not be deleted beside its archive: why.
    std::optional<std::string> originalLeft;
};

// What the operator is told of a totals file at `source` that stays where it is against
// expectation (changed, in use, an answer lost, or beside its archive); nothing for the
// other outcomes.
std::optional<std::string> totalsFileNotice(const std::string& source, const TotalsFileOutcome& outcome);

// What became of the file, for the run's summary: "archived as <archive>", "left where it
// is: ...".
std::string totalsFileLine(const TotalsFileOutcome& outcome);

// Carries out the fate for the totals file at `source` (a Windows or local path). A file that
// cannot be removed or archived stays where it is and the failure is thrown as a VbError
// (archiving: 75), for the Import button's error report.
TotalsFileOutcome settleTotalsFile(const std::string& source, TotalsFileFate fate, const Clock& clock);

}  // namespace ztl
