#include "ui/logic/check_marks.h"

#include "engine/review/check_run.h"
#include "platform/vb_error.h"

namespace ztl::ui {

CheckMarks checkMarks(const TotalsCheck& check) {
    CheckMarks marks;
    marks.countLine = check.summary();
    if (check.flaggedCount() > 0 && check.incomplete.empty() && marks.countLine.ends_with("."))
        marks.countLine.back() = ':', marks.countLine += " see the marks";
    else if (check.flaggedCount() > 0)
        marks.countLine += " See the marks.";
    for (const auto& t : check.transactions) {
        if (!t.flagged()) continue;
        for (int r = 0; r < t.rows; ++r)
            marks.rows.push_back({t.totalsRow + r, r == 0, t.refNumber, t.reason});
    }
    return marks;
}

CheckMarks checkForWindow(Program& program, const std::string& company, const std::string& sourcePath,
                          const std::string& chartResponse) {
    try {
        return checkMarks(checkBeforeImport(program, company, sourcePath, chartResponse));
    } catch (const std::exception& ex) {
        VbError e = toVbError(ex);
        return {"The transactions could not be checked: the totals file could not be read (error # " +
                    std::to_string(e.number) + ": " + e.description + ").",
                {}};
    }
}

}  // namespace ztl::ui
