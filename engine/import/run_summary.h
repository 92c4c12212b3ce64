#pragma once
// What a run did, in a few words: the counts the operator reads at the end of the import
// log, as `ztl import`'s last lines, on the main window after the run and in the subject of
// an unattended run's mail. Single-byte text, as the log is.
//
//   " "
//   Summary of this import
//   ---------------------------------------------------------------------------- (76 + blank)
//   Store : Store 3
//   Company : /home/op/Shop.qbw                 (when the run knows it)
//   Business date : 12/05/26                    ("Business dates : 12/05/26, 12/06/26")
//   Debits of the day : 2081.25
//   Credits of the day : 2081.25
//   Posted : 6
//   Refused : 1 (101004)
//   Already in QuickBooks : 0
//   Sent without an answer : 0
//   Not sent : 0
//   Totals file : <what became of it>
//   " "
//
// The run writes the counts before it shows its results, so that the results window and the
// printed log carry them; the totals file's line follows once the file is settled.
#include <string>
#include <vector>

#include "engine/company/run_record.h"

namespace ztl {

// "6 posted, 1 refused (101004)": what was posted always, then each other outcome that
// happened, with its invoice numbers (already in QuickBooks: only the count).
std::string runCounts(const RunRecord& run);

inline constexpr const char* kSummaryHeading = "Summary of this import";
inline constexpr const char* kTotalsFileMark = "Totals file : ";

// The summary's heading, the day's record and the counts.
std::vector<std::string> runSummaryLines(const RunRecord& run);
// The day's record alone, as a printed log names it: the store (from the log's totals file),
// the company posted into, the business dates of the transactions with lines, and the day's
// debits and credits as its entries post them. A line the run cannot know is left out.
std::vector<std::string> dayRecordLines(const RunRecord& run);
// Its last line and the blank that ends it; `totalsFile` says what became of the totals file.
std::vector<std::string> totalsFileSummaryLines(const std::string& totalsFile);

}  // namespace ztl
