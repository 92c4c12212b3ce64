#pragma once
// The one line a run writes to standard error for systemd's journal: a priority prefix
// that journald reads from a service's stderr ("<3>" error, "<4>" warning, "<6>" info),
// then the text on one line. A terminal shows the prefix as it is, which is harmless.
#include <string>

namespace ztl {

enum class JournalPriority { Error = 3, Warning = 4, Info = 6 };

// "<4>Store 12, 04/01/25: 7 posted, 2 refused": line breaks in `text` become blanks, so one
// run stays one entry.
std::string journalLine(JournalPriority priority, const std::string& text);

}  // namespace ztl
