#include "ui/logic/run_marks.h"

#include <optional>

#include "engine/import/run_summary.h"
#include "platform/paths.h"

namespace ztl::ui {
namespace {

using Outcome = TransactionRecord::Outcome;

struct Mark {
    std::string verdict, reason;
};

// What the mark of a transaction says, or nothing when it carries none.
std::optional<Mark> markOf(const TransactionRecord& t) {
    switch (t.outcome) {
        case Outcome::Refused: {
            std::string reason = t.statusMessage;
            if (!t.statusCode.empty())
                reason += (reason.empty() ? "status code " : " (status code ") + t.statusCode +
                          (reason.empty() ? "" : ")");
            return Mark{"was refused by QuickBooks", reason.empty() ? "QuickBooks gave no reason" : reason};
        }
        case Outcome::NoAnswer:
            return Mark{"was sent and no answer came",
                        "it may be in QuickBooks" + (t.reason.empty() ? "" : " (" + t.reason + ")")};
        case Outcome::NotSent:
            // Without a reason the run never came to it: the count line names it.
            if (t.reason.empty()) return std::nullopt;
            return Mark{"was not sent", t.reason};
        case Outcome::Posted:
        case Outcome::AlreadyThere:
            break;
    }
    return std::nullopt;
}

}  // namespace

CheckMarks runMarks(const RunRecord& run, const StoreDay& day) {
    CheckMarks marks;
    // The blocks the run records, with the grid rows of their H lines.
    std::vector<size_t> sent;
    for (size_t i = 0; i < day.blocks.size() && i < day.headers.size(); ++i)
        if (!day.blocks[i].lines.empty()) sent.push_back(i);
    for (size_t k = 0; k < run.transactions.size(); ++k) {
        const TransactionRecord& t = run.transactions[k];
        std::optional<Mark> mark = markOf(t);
        if (!mark || k >= sent.size() || day.blocks[sent[k]].referenceNumber != t.referenceNumber) continue;
        const DayHeader& h = day.headers[sent[k]];
        for (int r = 0; r < h.rows; ++r)
            marks.rows.push_back({h.row + r, r == 0, t.referenceNumber, mark->reason, mark->verdict});
    }
    marks.countLine = runCounts(run) + (marks.rows.empty() ? "." : ": see the marks");
    return marks;
}

CheckMarks runMarksForWindow(const RunRecord& run) {
    if (!run.day) return {runCounts(run) + ".", {}};
    return runMarks(run, *run.day);
}

}  // namespace ztl::ui
