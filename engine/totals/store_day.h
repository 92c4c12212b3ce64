#pragma once
// A totals file walked once into what every reader of it needs: the totals table the main
// window shows, the blocks the import posts, the H lines the check marks, and the counts.
// Each reader used to walk the file with a rule of its own; here the three rules of what
// "a transaction" is sit side by side, each named for whom it serves:
//   - a block: an H line and the D lines after it, as far as the import's walk reaches;
//   - a header: an H line as the totals table shows it, with its row and its D rows;
//   - a line run: consecutive D lines anywhere, what the single-store edition expects to
//     see posted before it removes the file.
// What the walk cannot read is kept as a value: the reader that meets it decides whether to
// report it, and where.
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "engine/totals/totals_format.h"
#include "platform/decimal.h"
#include "platform/store_date.h"
#include "platform/vb_error.h"

namespace ztl {

// One D line of a block.
struct StoreLine {
    std::string accountCode;  // columns 3-9, trimmed
    Decimal amount;           // the line amount
};

// One H block as the import walks it.
struct DayBlock {
    std::string referenceNumber;  // columns 4-12, trimmed: the entry's RefNumber
    std::string dateText;         // columns 12-23, as they stand
    std::vector<StoreLine> lines;
    // The date, or why the import cannot read it (error 13).
    std::optional<CalendarDate> date;
    std::optional<VbError> dateError;

};

// One H line as the totals table shows it.
struct DayHeader {
    std::string referenceNumber;  // columns 3-11, trimmed
    int row = 0;                  // its row in the totals table, from 0
    int rows = 1;                 // its row and the D rows after it
    bool lastLine = false;        // the file's last line
};

struct StoreDay {
    // What the main window shows.
    std::vector<std::string> table;  // the totals table entries, file order
    int qLines = 0;                  // Q lines
    std::optional<Decimal> tCount;   // the T lines' counts added; nothing when there is none
    std::vector<DayHeader> headers;  // every H line

    // What the import walks: blocks[i] is the block of headers[i], as far as the walk goes.
    std::vector<DayBlock> blocks;
    // The walk stopped at the file's start: it does not begin with a Q line (ImportBlockReader's
    // kNotAQFile), or it is empty (62). Nothing is posted from such a file.
    std::optional<VbError> walkRefusal;
    // The days of the blocks with lines and a readable date.
    std::optional<CalendarDate> first, last;

    int lineRuns = 0;    // runs of consecutive D lines
    std::string bytes;   // the file as it was read

    // Blocks that carry lines: the transactions an import sends.
    int transactionsWithLines() const;
    // Why the file may not hold the store system's whole day (it is still being written, or
    // its writing stopped half way); nothing when it does. A whole day's last line ends with
    // a line end and is a trailer (a TRT or T line, or the "* END" line after them), and its
    // T lines count as many transactions as it holds (with or without those that have no
    // lines). The one rule for "the whole day".
    std::optional<std::string> notWhole() const;

    // Reads a file of this machine; throws what opening it throws (53, 76, 70, 75).
    static StoreDay read(const std::filesystem::path& file);
    // Walks bytes held in memory as a file of these bytes would be walked.
    static StoreDay fromBytes(std::string bytes);
};

// The totals file at a path as the store system names it, walked once to be handed on to
// everything that reads the day; throws what reading it throws (53 when it is missing).
std::shared_ptr<const StoreDay> readTotalsFile(const std::string& path);
// The same, none when it cannot be read (the run that posts it then reads it itself and
// reports why).
std::shared_ptr<const StoreDay> walkTotalsFile(const std::string& path);

}  // namespace ztl
