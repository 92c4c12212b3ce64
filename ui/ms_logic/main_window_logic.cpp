#include "ui/ms_logic/main_window_logic.h"

#include "engine/review/check_run.h"
#include "engine/import/import_lock.h"
#include "engine/company/quickbooks_check.h"
#include "platform/error_report.h"
#include "platform/paths.h"
#include "storedata/engine.h"
#include "ui/logic/account_fields.h"
#include "ui/logic/busy_flag.h"
#include "ui/logic/pending_note.h"
#include "ui/logic/program_version.h"
#include "ui/logic/run_marks.h"
#include "ui/logic/source_file_check.h"
#include "engine/company/company_memory.h"
#include "engine/import/import_day.h"
#include "ui/ms_logic/store_selection.h"

namespace ztl::ms {

MainWindowLogic::MainWindowLogic(Program& program, MultiStoreMainView& view)
    : program_(program), view_(view), enginePrompter_(program) {
    // The store data engine's own messages take the program's message path.
    storedata::engine().prompter = &enginePrompter_;
    storedata::engine().clock = program_.clock;
}

MainWindowLogic::~MainWindowLogic() {
    facade_.reset();
    totals.reset();
    if (storedata::engine().prompter == &enginePrompter_) storedata::engine().prompter = nullptr;
}

LoadOutcome MainWindowLogic::Load() {
    try {
        fieldsLoaded_ = false;
        program_.importCancelled = false;
        view_.showConfirmation();
        if (program_.importCancelled) return LoadOutcome::EndProgram;

        abortFlag = false;
        connectedFlag = true;
        view_.setTitle("Korvane Zentrel     MultiStore Version   " + ui::titleVersionText());
        view_.setCancelEnabled(true);
        view_.setImportEnabled(false);

        storedata::StartDataEngine();
        facade_ = std::make_unique<storedata::cBusinessBasic>();

        std::shared_ptr<storedata::cSystem> sys = facade_->TessSys();
        if (!sys) throw vbError(vb::kObjectNotSet);
        std::string storeDigits = sys->mDirectory.size() > 3 ? sys->mDirectory.substr(3) : std::string();
        view_.setStatusPanels({"Client :" + sys->ComputerName, "Host :" + sys->mUNCDrive,
                               "Terminal :" + sys->TerminalID,
                               "Source :" + sys->mDirectory + "  Store # " + storeDigits});

        view_.setStoreName(GetStoreName(*facade_));

        StoreSource source = setSource(*sys);
        storeNumber = source.storeNumber;
        sourcePath = source.sourcePath;

        validatesource();
        if (abortFlag) return LoadOutcome::EndProgram;

        CheckQBConnection();
        if (!connectedFlag) return LoadOutcome::EndProgram;
        // Another company than the one this store last posted into: said once, the operator
        // may go on.
        if (auto warning = wrongCompanyWarning(program_, sourcePath, companyFile))
            program_.showMessage(*warning, MsgIcon::Exclamation);

        view_.setCompanyName(companyFile);
        program_.settingsSection = companySettingsSection(companyFile);
        view_.setAccountFields(ui::readAccountFields(program_));
        fieldsLoaded_ = true;

        {
            clsZTL loader(program_);
            loader.X390source(sourcePath);
            loader.Load390();
            transactionCount = loader.ZTLTrcount;
            totals = loader.X390();
            day_ = loader.loadedDay();
        }

        loadgridx390();
        loadgridCoa();
        // Without the company's chart the operator may read the totals and leave, not import.
        view_.setImportEnabled(!chartLoadFailed_);
        loaded_ = true;
        recheck();
        return LoadOutcome::Ready;
    } catch (const std::exception& ex) {
        program_.showMessage(
            moduleErrorReport("Error in form load event", toVbError(ex), {}, ErrorWord::Lower));
        view_.setImportEnabled(false);
        return LoadOutcome::LoadFailed;
    }
}

void MainWindowLogic::validatesource() {
    try {
        ui::checkSourceFile(sourcePath);
    } catch (const std::exception& ex) {
        VbError e = toVbError(ex);
        std::string text = "Error in module validatesource \nerror # " + std::to_string(e.number) + "  " +
                           e.description + "\n";
        if (e.number == vb::kBadFileNameOrNumber)
            text += "Can Not locate Korvane Server !\nMake sure the drive is mapped properly.";
        else if (e.number == vb::kFileNotFound)
            text += "\nThe Korvane import source file \n" + sourcePath + "\nwas not found.";
        program_.showMessage(text, MsgIcon::Critical);
        abortFlag = true;
    }
}

void MainWindowLogic::CheckQBConnection() {
    std::optional<std::string> company = ztl::CheckQBConnection(program_);
    if (company) {
        companyFile = *company;
    } else {
        connectedFlag = false;
        view_.setImportEnabled(false);
    }
}

void MainWindowLogic::loadgridx390() {
    try {
        view_.showTotalsGrid(ui::totalsGrid(totals ? *totals : TotalsTable{}));
    } catch (const std::exception& ex) {
        program_.showMessage(moduleErrorReport("Error in module loadgridx390 ", toVbError(ex)));
    }
}

void MainWindowLogic::loadgridCoa() {
    chartLoadFailed_ = false;
    try {
        clsZTL chart(program_);
        chart.QBCompany = companyFile;
        chart.LoadQbCoa();
        if (chart.cZTLError) {
            chartLoadFailed_ = true;
            view_.setImportEnabled(false);
            return;
        }
        chart_.chart = chart.chart();
        view_.showAccountsGrid(ui::accountsGrid(chart.chart()));
    } catch (const std::exception& ex) {
        program_.showMessage(moduleErrorReport("Error in module loadgridCoa ", toVbError(ex)));
    }
}

bool MainWindowLogic::undoImport(const ui::AskForYes& ask) {
    if (busy_) return false;
    const ui::ImportPlace place = importPlace();
    if (!ui::undoInWindow(program_, place, ask)) return false;
    if (!imported_) return true;  // an import of an earlier start: this window's day is as it was
    undone_ = true;
    lastCheck = ui::showUndone(view_, place);
    return true;
}

void MainWindowLogic::cmdImport_Click() {
    if (busy_) return;
    if (undone_) {
        if (!ui::putDayBack(program_, importPlace())) return;
        undone_ = false;
        lastArchive.reset();
    }
    ui::BusyFlag busy(busy_);
    lastRun.reset();
    DayOutcome done = importDay(program_, {.transactionCount = transactionCount,
                                           .source = sourcePath,
                                           .companyFile = companyFile,
                                           .afterRun = [this](const RunRecord& run) { runEnded(run); }});
    if (done.file && done.file->fate == TotalsFileFate::Archived) lastArchive = done.file->archive;
}

const RunRecord& MainWindowLogic::runImport() {
    ui::BusyFlag busy(busy_);
    lastRun.reset();
    importDay(program_, {.transactionCount = transactionCount,
                         .source = sourcePath,
                         .companyFile = companyFile,
                         .settleFile = false,
                         .afterRun = [this](const RunRecord& run) { runEnded(run); }});
    return *lastRun;
}

void MainWindowLogic::runEnded(const RunRecord& run) {
    lastRun = run;
    // The marks told of the file before this run; now they tell what the run did with the
    // day it posted.
    imported_ = true;
    recheckDue_ = false;
    lastCheck = ui::runMarksForWindow(run);
    view_.showCheck(*lastCheck);
}

void MainWindowLogic::accountFieldLostFocus(const std::string& controlName, const std::string& text) {
    if (fieldsLoaded_ && ui::storeAccountField(program_, controlName, text) && loaded_ && !imported_)
        recheckDue_ = true;
}

void MainWindowLogic::recheckIfDue() {
    if (!recheckDue()) return;
    recheck();
}

void MainWindowLogic::recheck() {
    if (busy_) return;
    ui::BusyFlag busy(busy_);
    recheckDue_ = false;
    // The import posts into the company QuickBooks has open.
    lastCheck = ui::checkForWindow(program_, "", sourcePath, day_, chart_);
    ui::addPendingDaysNote(lastCheck->countLine, sourcePath);
    view_.showCheck(*lastCheck);
}

}  // namespace ztl::ms
