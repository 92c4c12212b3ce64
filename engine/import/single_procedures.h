#pragma once
// The engine object's procedures run one at a time, each on an object of its own, for the
// command line's support commands: they show what the engine reads and sends, with the
// engine's own reports, and nothing of the object outlives the call.
#include <optional>
#include <string>
#include <vector>

#include "engine/program.h"
#include "platform/decimal.h"

namespace ztl {

// Load390 of one totals file: the table as the main window shows it, and its count (the
// multi-store T count, or the single-store Q lines).
struct LoadedTotals {
    std::vector<std::string> table;
    std::optional<Decimal> transactionCount;  // multi-store: empty until a T line was read
    int qLineCount = 0;                       // single-store
};
LoadedTotals loadTotals(Program& program, const std::string& totalsPath);

// The chart as the engine reads it, "number,name,type" per account: from QuickBooks
// (LoadQbCoa), or from a saved account query answer when one is given.
std::vector<std::string> loadChartTexts(Program& program, const std::optional<std::string>& savedAnswer);

// SendRequest of one request text; QuickBooks' answer, or nothing when the send failed
// (reported). A failure while the send recovered from another one is thrown.
std::optional<std::string> sendRequest(Program& program, const std::string& request);

}  // namespace ztl
