#pragma once
// What the main window shows of the check before an import: a count line below the totals
// grid, and a mark on each row of a transaction the import would not get into QuickBooks,
// with its reason. Both editions show it after their load and again once changed account
// names are stored. Import stays open: the operator may still post what is sound. After a
// run the same line and marks tell what the run did (run_marks.h).
#include <string>
#include <vector>

#include "engine/program.h"
#include "engine/review/transaction_check.h"

namespace ztl::ui {

struct CheckMarks {
    std::string countLine;  // "3 of 9 transactions will not be posted: see the marks"
    struct Row {
        int row = 0;         // a row of the totals grid, from 0
        bool first = false;  // the transaction's H row, which carries the mark
        std::string refNumber, reason;
        // What befell the transaction, as the mark says it: "Invoice 101004 <verdict>: <reason>".
        std::string verdict = "will not be posted";
    };
    std::vector<Row> rows;  // every row of every flagged transaction, in grid order
    // Why the check is incomplete, with QuickBooks' own words, when the count line says it
    // short: shown on demand. Empty when there is nothing more to say.
    std::string details;
};

CheckMarks checkMarks(const TotalsCheck& check);

// Runs the check for the window (see checkBeforeImport) on the day the window shows (none:
// its load could not read it), and says so in the count line when the totals file could not
// be read. Shows no message.
CheckMarks checkForWindow(Program& program, const std::string& company, const std::string& sourcePath,
                          const std::shared_ptr<const StoreDay>& day, const ChartReading& chart);

}  // namespace ztl::ui
