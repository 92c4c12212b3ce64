#pragma once
// The main windows' actions after an import: the reconciliation of the totals file with
// QuickBooks, shown in a results window where it can be printed and saved like the import
// log, and the undo of the import its log records, after the operator has typed YES. No Qt:
// the windows supply the question, ztl and the tests drive the same code.
#include <functional>
#include <optional>
#include <string>

#include "engine/program.h"

namespace ztl::ui {

// Where the last import left things, as a main window knows them.
struct ImportPlace {
    std::string totalsPath;   // the totals file as the window names it
    std::string totalsNow;    // where it is now (its archive), when it moved; else empty
    std::string companyFile;  // of every session; empty: the one QuickBooks has open
};

// The file the reconciliation is written to for its window: in the install folder.
inline constexpr const char* kReconcileListName = "QBReconcile.log";

// Reconciles and shows the list in a results window captioned "Reconciliation with
// QuickBooks"; a check that cannot be made is reported instead. Returns the list's path, or
// nothing when there is no list.
std::optional<std::string> reconcileInWindow(Program& program, const ImportPlace& place);

// Asks the operator to type YES below `text`; nothing when the question was cancelled.
using AskForYes = std::function<std::optional<std::string>(const std::string& text)>;

// Undoes the import recorded in the totals file's import log: lists the entries, asks for
// YES, removes them, and shows the log with its undone block in a results window. True when
// the run posted entries of its own and QuickBooks holds none of them afterwards.
bool undoInWindow(Program& program, const ImportPlace& place, const AskForYes& ask);

// After an undo that took what the import posted out of QuickBooks: what the window's check
// line says, and Import offered again.
struct CheckMarks;
CheckMarks undoneMarks(const ImportPlace& place);
// The main window after such an undo: "Import complete..." gone, those marks shown, Import
// enabled again. Returns the marks, for the window to keep as its last check.
class MainWindowView;
CheckMarks showUndone(MainWindowView& view, const ImportPlace& place);

// The undone day under its own name again, for Import to post it: its archive copied back to
// the totals file's name (the archive stays). True when the totals file is there to import;
// a totals file there that is another day is said, and stays.
bool putDayBack(Program& program, const ImportPlace& place);

}  // namespace ztl::ui
