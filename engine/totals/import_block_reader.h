#pragma once
// The import run's walk through a totals file, block by block: the one walk StoreDay makes.
//
// The first line must be a Q line. Before every pass the walk ends when no line is left
// to read (the line in hand is then not looked at). A pass skips a TRT line, then a Q
// line; a line in hand that is not an H line ends the walk; otherwise the H line and the
// D lines after it are one block. The end of the file ends a block as a trailer would, so
// a file whose last line is a D line still yields its last transaction.
#include <optional>
#include <string>

#include "engine/totals/store_day.h"
#include "platform/text_file.h"

namespace ztl {

class ImportBlockReader {
  public:
    explicit ImportBlockReader(TextReader& in) : in_(in) {}

    // Reads the first line; throws kNotAQFile when it is not a Q line, 62 when there is none.
    void readFirstLine();
    // The next H block (possibly without D lines), or nothing when the walk has ended.
    std::optional<DayBlock> next();  // without its date

    // Raised when the totals file does not start with a Q line: object-error base + 517.
    static constexpr long kNotAQFile = -2147220987;

  private:
    bool advance();  // reads the next line into hand_; false at the end of the file

    TextReader& in_;
    std::string hand_;  // the line in hand
    bool ended_ = false;
};

}  // namespace ztl
