#pragma once
// A store's day imported and its totals file settled, for every caller: the Import button of
// either edition, `ztl import` and the unattended run. The caller walks the totals file once
// and hands the day in; the run posts that day, tells the operator what it does through the
// program's views and message path, and returns its record; what becomes of the totals file
// is decided here, once, from that record and the edition.
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "engine/company/run_record.h"
#include "engine/import/totals_file_fate.h"
#include "engine/program.h"
#include "engine/totals/store_day.h"
#include "platform/decimal.h"

namespace ztl {

class clsZTL;

// The caller's own work once the run has returned, before the totals file is settled: a
// window forgets the marks that told of the file before the run.
using AfterRun = std::function<void(const RunRecord&)>;

struct DayImport {
    // The day as the caller walked the totals file; none: the run walks the file as it finds
    // it then (the multi-store window, whose load counted `transactionCount`).
    std::shared_ptr<const StoreDay> day;
    std::optional<Decimal> transactionCount;
    std::string source;  // the totals file the run reads and settles, as the store system names it
    // The totals file the store is known by, when the day is read from a copy of it (an
    // unattended run's pending day); empty: `source`.
    std::string store;
    // Multi-store: the company QuickBooks has open, remembered as the one the store posts
    // into. Single-store: the company file every session names (empty: the one open).
    std::string companyFile;
    bool settleFile = true;  // false: the totals file stays where it is whatever the run did
    // Single-store: the window's engine object, whose chart its load read; none: the import
    // makes one and reads the chart itself.
    clsZTL* engine = nullptr;
    AfterRun afterRun;
};

struct DayOutcome {
    std::optional<RunRecord> run;  // nothing when an error ended the import before the run returned
    // What became of the totals file, when it was to be settled and the run got that far.
    std::optional<TotalsFileOutcome> file;
    std::string totalsFile;  // what became of the totals file, as the summary says it
    bool whole = false;      // QuickBooks holds every transaction of the day (RunRecord::postedWhole)
    // Why nothing was imported when the single-store import could not read the company's chart.
    std::string notRun;
};

// The edition's policy: the multi-store file moves to its archive name once the run reached
// its end with every answer in (otherwise it stays: the next import sends only what is
// missing); the single-store file is removed once QuickBooks holds all of it, archived when
// something is missing, and left when the run stopped, an answer was lost, or it changed. A
// file that stays against expectation is told. An error is reported as the Import button's
// (and, single-store, written to the operation log).
DayOutcome importDay(Program& program, const DayImport& import);

}  // namespace ztl
