#include "ui/logic/after_import_actions.h"

#include <filesystem>

#include "engine/company/import_log.h"
#include "engine/review/reconcile.h"
#include "engine/review/undo_run.h"
#include "platform/paths.h"
#include "platform/text_file.h"
#include "ui/logic/check_marks.h"
#include "ui/logic/main_window_view.h"

namespace ztl::ui {
namespace {

// The checks make an engine object of their own, which becomes the program's request
// processor while it lives; the window's own engine object (the single-store window keeps
// one for its whole life) gets its processor back afterwards.
struct KeepRequestProcessor {
    Program& p;
    std::shared_ptr<RequestProcessor> saved = p.requestProcessor;
    ~KeepRequestProcessor() { p.requestProcessor = saved; }
};

// A list shown after an import demands no printout of its own.
void showResults(Program& p, const std::string& path, const std::string& caption) {
    if (!p.resultsWindows) return;
    std::unique_ptr<ResultsWindow> w = p.resultsWindows->create();
    w->loadFile(paths::map(path).string());
    w->setCaption(caption);
    w->demandPrintout(false);
    w->showModal();
}

std::string currentTotals(const ImportPlace& place) {
    return place.totalsNow.empty() ? place.totalsPath : place.totalsNow;
}

}  // namespace

std::optional<std::string> reconcileInWindow(Program& program, const ImportPlace& place) {
    KeepRequestProcessor keep{program};
    std::vector<std::string> lines;
    try {
        CompanySession company(program, place.companyFile);
        lines = reconcileTotalsFile(company, currentTotals(place)).lines();
    } catch (const CompanyError& e) {
        program.showMessage(std::string("The day could not be reconciled with QuickBooks.\n\n") + e.what(),
                            MsgIcon::Exclamation);
        return std::nullopt;
    }
    const std::filesystem::path path = program.installFolder / kReconcileListName;
    try {
        TextWriter out(path);
        out.writeLine("Reconciliation of " + currentTotals(place) + " with QuickBooks");
        out.writeLine(importlog::ruleLine());
        for (const auto& line : lines) out.writeLine(line);
        out.close();
    } catch (const VbError& e) {
        program.showMessage("The reconciliation could not be written to " + path.string() + " (error # " +
                                std::to_string(e.number) + ": " + e.description + ").",
                            MsgIcon::Exclamation);
        return std::nullopt;
    }
    showResults(program, path.string(), "Reconciliation with QuickBooks");
    return path.string();
}

bool undoInWindow(Program& program, const ImportPlace& place, const AskForYes& ask) {
    KeepRequestProcessor keep{program};
    std::string logPath;
    try {
        logPath = importlog::logPathFor(place.totalsPath);
    } catch (const VbError&) {
        program.showMessage("The import log of " + place.totalsPath + " cannot be named.",
                            MsgIcon::Exclamation);
        return false;
    }
    std::error_code ec;
    if (!std::filesystem::exists(paths::map(logPath), ec)) {
        program.showMessage("There is no import log " + logPath + ": there is no import to undo.",
                            MsgIcon::Exclamation);
        return false;
    }
    try {
        CompanySession company(program, place.companyFile);
        UndoPlan plan = planUndo(company, logPath, place.totalsNow);
        if (plan.entries.empty()) {
            program.showMessage("The import log " + logPath +
                                " names no entry that its run posted: nothing to undo.");
            return true;
        }
        if (plan.toRemove() > 0) {
            std::optional<std::string> answer = ask ? ask(undoConfirmationText(plan)) : std::nullopt;
            if (!answer || !isUndoConfirmation(*answer)) {
                program.showMessage("Not confirmed: nothing was removed from QuickBooks.");
                return false;
            }
        }
        carryOutUndo(company, plan, program.clock);
        showResults(program, logPath, "Undo of the import");
        // An import that only found its day in QuickBooks leaves the day as it was when undone.
        return plan.complete() && plan.postedAnything();
    } catch (const CompanyError& e) {
        program.showMessage(
            std::string("The import could not be undone; nothing was removed.\n\n") + e.what(),
            MsgIcon::Exclamation);
    } catch (const VbError& e) {
        program.showMessage("The import log " + logPath + " could not be written (error # " +
                                std::to_string(e.number) + ": " + e.description +
                                "). Reconcile the day to see which entries are gone.",
                            MsgIcon::Exclamation);
    }
    return false;
}

CheckMarks undoneMarks(const ImportPlace& place) {
    std::string line = "The import is undone: what it posted is out of QuickBooks. ";
    line += place.totalsNow.empty()
                ? "Import posts it again."
                : "Import puts the totals file back from " + place.totalsNow + " and posts it again.";
    return {line, {}, {}};
}

CheckMarks showUndone(MainWindowView& view, const ImportPlace& place) {
    view.setStatusCaption("");
    view.repaintStatus();
    CheckMarks marks = undoneMarks(place);
    view.showCheck(marks);
    view.setImportEnabled(true);
    return marks;
}

bool putDayBack(Program& program, const ImportPlace& place) {
    if (place.totalsNow.empty()) return true;
    const std::filesystem::path target = paths::map(place.totalsPath);
    try {
        const std::string day = readWholeFile(paths::map(place.totalsNow));
        std::error_code ec;
        if (std::filesystem::exists(target, ec)) {
            if (readWholeFile(target) == day) return true;
            program.showMessage(
                "The totals file " + place.totalsPath +
                    " is there again and holds another day: import that one first, then put the "
                    "undone day back from " +
                    place.totalsNow + " and import it.",
                MsgIcon::Exclamation);
            return false;
        }
        writeWholeFile(target, day);
        return true;
    } catch (const VbError& e) {
        program.showMessage("The undone day could not be put back from " + place.totalsNow + " to " +
                                place.totalsPath + " (error # " + std::to_string(e.number) + ": " +
                                e.description + "). Nothing was imported; the archive stays.",
                            MsgIcon::Exclamation);
        return false;
    }
}

}  // namespace ztl::ui
