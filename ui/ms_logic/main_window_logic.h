#pragma once
// The multi-store main window's logic, without a widget: the load that prepares everything
// before the window is first shown, the Import handler (the run, then the archiving) and
// the account fields. The Qt window only shows what this sets and forwards its events; the
// tests drive the same code through their own views.
#include <array>
#include <memory>
#include <optional>
#include <string>

#include "engine/company/run_record.h"
#include "engine/import/cls_ztl.h"
#include "engine/program.h"
#include "storedata/business_basic.h"
#include "ui/logic/after_import_actions.h"
#include "ui/logic/check_marks.h"
#include "ui/logic/main_window_view.h"

namespace ztl::ms {

class MultiStoreMainView : public ui::MainWindowView {
  public:
    // The confirmation window, modally; its answer is the program's import-cancelled flag.
    virtual void showConfirmation() = 0;
    virtual void setStatusPanels(const std::array<std::string, 4>& panels) = 0;  // sb1
    virtual void setStoreName(const std::string& name) = 0;                      // txtKrvStore
};

// Where a load left the window.
enum class LoadOutcome {
    Ready,       // shown, Import enabled (unless the chart could not be loaded)
    LoadFailed,  // shown after the load's error report, Import disabled
    EndProgram,  // confirmation declined, totals file missing, or QuickBooks unreachable
};

class MainWindowLogic {
  public:
    MainWindowLogic(Program& program, MultiStoreMainView& view);
    ~MainWindowLogic();  // unload: releases the engine facade and the totals table

    LoadOutcome Load();
    // The import run, then the archiving of the totals file.
    void cmdImport_Click();
    // "Undo this import...": the import of the window's totals file undone after YES; once its
    // entries are out of QuickBooks the window says so and Import posts again, its totals
    // file put back from the archive. True when QuickBooks holds none of the run's entries.
    bool undoImport(const ui::AskForYes& ask);
    // Where the last import left the day, for the actions after it.
    ui::ImportPlace importPlace() const { return {sourcePath, lastArchive.value_or(""), ""}; }
    // The import run alone, for a caller that keeps the totals file where it is: its record,
    // also kept in lastRun.
    const RunRecord& runImport();
    std::optional<RunRecord> lastRun;
    // The account field named `controlName` lost the focus with `text` in it: the name is
    // stored at once. A name that changed makes the check due again; it asks QuickBooks, so it
    // waits for the window to run it (recheckIfDue), once the operator is done with the fields.
    void accountFieldLostFocus(const std::string& controlName, const std::string& text);
    bool recheckDue() const { return recheckDue_ && !imported_ && !busy_; }
    void recheckIfDue();
    // The check before an import, run and shown (again).
    void recheck();
    // What the check line shows: the check before an import, or after a run what the run did.
    std::optional<ui::CheckMarks> lastCheck;

    // The window's state, as the load sets it.
    std::string sourcePath;
    long long storeNumber = 0;
    std::string companyFile;
    std::optional<Decimal> transactionCount;
    std::shared_ptr<TotalsTable> totals;
    std::shared_ptr<const StoreDay> day_;  // the day the grid shows and the marks judge
    bool abortFlag = false;
    bool connectedFlag = true;
    // The archive the last import left, when it archived the totals file.
    std::optional<std::string> lastArchive;

    // The load's operations, public so that tests can run them one by one.
    void validatesource();
    void CheckQBConnection();
    void loadgridx390();
    void loadgridCoa();

  private:
    // What the window keeps of a run that has returned, before its totals file is settled.
    void runEnded(const RunRecord& run);

    Program& program_;
    MultiStoreMainView& view_;
    std::unique_ptr<storedata::cBusinessBasic> facade_;
    ProgramPrompter enginePrompter_;
    bool chartLoadFailed_ = false;
    // The load filled the account fields from the company's section. Until it has, a field
    // holds nothing of the operator's, and the section may not be the company's yet:
    // storing it would wipe a stored name.
    bool fieldsLoaded_ = false;
    ChartReading chart_;  // the chart the window shows
    bool loaded_ = false;        // the load has shown the totals and the chart
    bool imported_ = false;      // an import has run: the check told of the file before it
    bool recheckDue_ = false;    // a stored name changed since the last check
    // A check or an import is under way: a wait for QuickBooks inside it keeps the window
    // alive, and nothing may start another meanwhile.
    bool busy_ = false;
    bool undone_ = false;  // the last import was undone: Import puts the day back first
};

}  // namespace ztl::ms
