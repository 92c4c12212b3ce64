#pragma once
// What the main window shows after a run, in the place of the check before it: the count
// line names what was posted and what was not ("6 posted, 1 refused (101004): see the
// marks"), and the marks stay on the transactions the run did not get into QuickBooks and
// may still be sent: those QuickBooks refused or never answered, and those the run refused
// to send, each with QuickBooks' reason or the run's. The rest lose their marks: they are in
// QuickBooks now.
#include <string>

#include "engine/company/run_record.h"
#include "engine/totals/store_day.h"
#include "ui/logic/check_marks.h"

namespace ztl::ui {

// The marks on the rows of `day`, the totals file the run posted. A run records its
// transactions in file order, one per block with lines: each is found on the grid by that
// order, and shown only where the block carries the same invoice number.
CheckMarks runMarks(const RunRecord& run, const StoreDay& day);

// As above, on the day the run posted. A run that could not read the file leaves the count
// line alone.
CheckMarks runMarksForWindow(const RunRecord& run);

}  // namespace ztl::ui
