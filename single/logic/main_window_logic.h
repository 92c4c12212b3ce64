#pragma once
// The single-store main window's logic, without a widget: the load that prepares everything
// before the window is first shown, Browse, the reference-number and account fields, the
// Import button with what becomes of the totals file, and the unload. The window keeps one
// engine object for its whole life: it loads the chart and the totals at load and runs the
// import, whose entity lookup uses the accounts it loaded. The Qt window and the tests drive
// this same code through their own views.
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "engine/import/cls_ztl.h"
#include "engine/program.h"
#include "single/logic/single_store_view.h"
#include "engine/import/totals_file_fate.h"
#include "ui/logic/after_import_actions.h"
#include "ui/logic/check_marks.h"

namespace ztl::single {

// Where a load left the window.
enum class LoadOutcome {
    Ready,       // shown with both grids, Import enabled
    Stopped,     // shown without what the load could not reach (source or chart), Import disabled
    LoadFailed,  // shown after the load's error report, Import and Browse disabled
    EndProgram,  // the totals file is missing
};

class MainWindowLogic {
  public:
    MainWindowLogic(Program& program, SingleStoreMainView& view);
    ~MainWindowLogic();  // unloads if the window has not

    LoadOutcome Load();
    void cmdQBCBrowse_Click();
    // The import run on the window's engine object, then what becomes of the totals file.
    void cmdImport_Click();
    // The import run alone, for a caller that keeps the totals file where it is.
    void runImport();
    // "Undo this import...": the import of the window's totals file undone after YES; once its
    // entries are out of QuickBooks the window says so and Import posts again, its totals
    // file put back from the archive copy. True when QuickBooks holds none of the run's entries.
    bool undoImport(const ui::AskForYes& ask);
    // Where the last import left the day, for the actions after it: archived, or removed with
    // a copy kept, the day is under the archive's name.
    ui::ImportPlace importPlace() const {
        return {sourcePath, lastOutcome ? lastOutcome->archive : "", companyFile};
    }
    void txtRefNum_LostFocus(const std::string& text);
    // The account field named `controlName` lost the focus with `text` in it: the name is
    // stored at once. A name that changed makes the check due again; it asks QuickBooks, so it
    // waits for the window to run it (recheckIfDue), once the operator is done with the fields.
    void accountFieldLostFocus(const std::string& controlName, const std::string& text);
    bool recheckDue() const { return recheckDue_ && !imported_ && !busy_; }
    void recheckIfDue();
    // The check before an import, run on the engine object's chart and shown (again).
    void recheck();
    // What the check line shows: the check before an import, or after a run what the run did.
    std::optional<ui::CheckMarks> lastCheck;
    // The end entry of the operation log (when the load wrote a start entry), then the engine
    // object, the account list and the totals table go. Runs once.
    void Unload();

    // The window's state, as the load sets it.
    std::string sourcePath;
    std::string companyFile;
    bool validFlag = false;
    bool abortFlag = false;
    std::shared_ptr<TotalsTable> totals;
    // What became of the totals file after the last import; nothing before one, or when the
    // Import button's own error trap ended it.
    std::optional<TotalsFileOutcome> lastOutcome;
    // What the last import run did; nothing before the first.
    std::optional<RunRecord> lastRun;

    // The load's steps, public so that tests can run them one by one.
    void setserver();
    void validateserver();
    // The engine object on `companyFile`, its chart into the accounts grid, and the totals
    // file at `sourcePath` into the totals grid. False, with Import disabled, when the chart
    // could not be loaded.
    bool loadEngine();

  private:
    void importRun(bool settleTotalsFile);
    void log(const std::string& entry);
    std::string setting(const char* key);

    Program& program_;
    SingleStoreMainView& view_;
    std::unique_ptr<clsZTL> engine_;
    bool started_ = false;  // the start entry is in the operation log
    // The load filled the account and reference-number fields. Until it has, a field holds
    // nothing of the operator's, and storing it would wipe the stored value.
    bool fieldsLoaded_ = false;
    bool unloaded_ = false;
    bool imported_ = false;  // an import has run: the check told of the file before it
    bool undone_ = false;    // the last import was undone: Import puts the day back first
    bool recheckDue_ = false;  // a stored name changed since the last check
    // A check or an import is under way: a wait for QuickBooks inside it keeps the window
    // alive, and nothing may start another meanwhile.
    bool busy_ = false;
};

}  // namespace ztl::single
