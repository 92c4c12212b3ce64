#include "ui/logic/check_marks.h"

#include "engine/review/check_run.h"
#include "platform/vb_error.h"

namespace ztl::ui {

CheckMarks checkMarks(const TotalsCheck& check) {
    CheckMarks marks;
    marks.countLine = check.summary();
    if (!check.incompleteCause.empty()) marks.details = check.incomplete;
    // An entry beside which the import posts (one typed by hand with the same number and
    // date) is marked too: the operator looks at it before posting, though nothing stops it.
    int warned = 0;
    for (const auto& t : check.transactions) {
        if (t.flagged()) {
            for (int r = 0; r < t.rows; ++r) marks.rows.push_back({t.totalsRow + r, r == 0, t.refNumber, t.reason});
        } else if (!t.warning.empty()) {
            ++warned;
            for (int r = 0; r < t.rows; ++r)
                marks.rows.push_back(
                    {t.totalsRow + r, r == 0, t.refNumber, t.warning, "will be posted beside another entry"});
        }
    }
    if (warned > 0) {
        const std::string some = std::to_string(warned) + " with a warning.";
        if (check.incomplete.empty() && marks.countLine.ends_with("."))
            marks.countLine.back() = ';', marks.countLine += " " + some;
        else
            marks.countLine += " " + some;
    }
    if (marks.rows.empty()) return marks;
    if (check.incomplete.empty() && marks.countLine.ends_with("."))
        marks.countLine.back() = ':', marks.countLine += " see the marks";
    else
        marks.countLine += " See the marks.";
    return marks;
}

CheckMarks checkForWindow(Program& program, const std::string& company, const std::string& sourcePath,
                          const std::shared_ptr<const StoreDay>& day, const ChartReading& chart) {
    try {
        return checkMarks(checkBeforeImport(program, company, sourcePath, chart, day));
    } catch (const std::exception& ex) {
        VbError e = toVbError(ex);
        return {"The transactions could not be checked: the totals file could not be read (error # " +
                    std::to_string(e.number) + ": " + e.description + ").",
                {}};
    }
}

}  // namespace ztl::ui
