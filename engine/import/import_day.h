#pragma once
// A store's day imported and its totals file settled: what the Import button does in either
// edition, and what `ztl import` does. The run tells the operator what it does through the
// program's views and message path; what follows it is decided here from the run's record:
// the company the store posts into and the archive of the totals file (multi-store), or the
// file's fate (single-store).
#include <functional>
#include <optional>
#include <string>

#include "engine/import/cls_ztl.h"
#include "engine/company/run_record.h"
#include "engine/import/totals_file_fate.h"
#include "engine/program.h"
#include "platform/decimal.h"

namespace ztl {

// The caller's own work once the run has returned, before the totals file is settled: a
// window forgets the marks that told of the file before the run.
using AfterRun = std::function<void(const RunRecord&)>;

// The multi-store edition: one store's totals file, posted into the company QuickBooks has open.
struct StoreDayImport {
    std::string source;                       // the totals file, as the store system names it
    std::string companyFile;                  // the company QuickBooks has open
    std::optional<Decimal> transactionCount;  // what the load counted in the file
    // The totals file the store is known by, when the day is read from a copy of it (an
    // unattended run's pending day); empty: `source`.
    std::string store;
    bool settleFile = true;                   // false: the totals file stays where it is whatever the run did
};

struct StoreDayImported {
    std::optional<RunRecord> run;        // nothing when an error ended the import before the run returned
    std::optional<std::string> archive;  // the totals file's archive, when it moved there
    std::string totalsFile;              // what became of the totals file, as the summary says it
};

// The run alone, the totals file left where it is. Unless the run sent nothing (QuickBooks
// could not be asked what it holds, or another workstation's run had the file), the company
// is remembered as the one this store posts into.
RunRecord runStoreDay(Program& program, const StoreDayImport& day);

// The run, then the totals file to its archive name when the run reached its end with every
// answer in (otherwise the file stays: the next import sends only what is missing); the log
// then ends with the run's summary. An error of either is reported as the Import button's.
StoreDayImported importStoreDay(Program& program, const StoreDayImport& day, const AfterRun& afterRun = {});

// The single-store edition: the run on the engine object that loaded the company's chart
// and the totals file at `source` (null when the load made none: an error), then, when
// `settleFile`, what becomes of that file, from the run's record and the file's bytes before
// and after the run; a file left where it is against expectation is told and logged. An error
// is reported as the Import button's and written to the operation log.
struct SingleStoreDayImported {
    std::optional<RunRecord> run;
    // Nothing when the file was not to be settled, or an error ended the import.
    std::optional<TotalsFileOutcome> outcome;
    std::string totalsFile;  // what became of the totals file, as the summary says it
};

SingleStoreDayImported importSingleStoreDay(Program& program, clsZTL* engine, const std::string& source,
                                            bool settleFile, const AfterRun& afterRun = {});

}  // namespace ztl
