#include "single/logic/main_window_logic.h"

#include "engine/review/check_run.h"
#include "engine/import/import_day.h"
#include "engine/import/import_lock.h"
#include "engine/company/operation_log.h"
#include "engine/company/settings_keys.h"
#include "platform/error_report.h"
#include "platform/paths.h"
#include "platform/text_file.h"
#include "single/logic/default_source.h"
#include "engine/company/operation_log_entries.h"
#include "ui/logic/account_fields.h"
#include "ui/logic/busy_flag.h"
#include "ui/logic/pending_note.h"
#include "ui/logic/program_version.h"
#include "ui/logic/run_marks.h"
#include "ui/logic/source_file_check.h"

namespace ztl::single {
namespace {

constexpr const char* kImportSource = "Import Source";

}  // namespace

MainWindowLogic::MainWindowLogic(Program& program, SingleStoreMainView& view)
    : program_(program), view_(view) {}

MainWindowLogic::~MainWindowLogic() {
    Unload();
}

void MainWindowLogic::log(const std::string& entry) {
    appendOperationLog(program_.operationLogPath, entry);
}

std::string MainWindowLogic::setting(const char* key) {
    if (!program_.settings) throw vbError(vb::kObjectNotSet);
    return program_.settings->get(kSettingsApp, program_.settingsSection, key, "");
}

LoadOutcome MainWindowLogic::Load() {
    try {
        validFlag = false;
        abortFlag = false;
        view_.setTitle("Korvane Zentrel     Version   " + ui::titleVersionText());
        if (program_.clock) log(startEntry(*program_.clock));
        started_ = true;

        setserver();
        validateserver();
        if (!validFlag) {
            view_.setGridsEnabled(false);
            view_.setImportEnabled(false);
            view_.setServerStatus("Source file or Server not found... call Korvane !");
            return LoadOutcome::Stopped;
        }

        view_.setServerStatus("Connected to Korvane import source : " + sourcePath);
        companyFile = setting(key::kCompany);
        // The key is written even empty, so the operator finds it in the settings.
        if (companyFile.empty()) program_.settings->set(kSettingsApp, program_.settingsSection, key::kCompany, "");
        view_.setCompanyName(companyFile);
        view_.setAccountFields(ui::readAccountFields(program_));
        view_.setReferenceNumber(setting(key::kImportReferenceNumber));
        fieldsLoaded_ = true;

        // A missing totals file ends the program here, before QuickBooks is asked anything.
        if (abortFlag) return LoadOutcome::EndProgram;
        if (!loadEngine()) return LoadOutcome::Stopped;
        recheck();
        return LoadOutcome::Ready;
    } catch (const std::exception& ex) {
        std::string text = moduleErrorReport("Error in form load event", toVbError(ex), {}, ErrorWord::Lower);
        program_.showMessage(text);
        view_.setImportEnabled(false);
        view_.setBrowseEnabled(false);
        if (program_.clock) log(errorEntry(*program_.clock, text));
        return LoadOutcome::LoadFailed;
    }
}

void MainWindowLogic::setserver() {
    sourcePath = setting(kImportSource);
    if (sourcePath.empty()) {
        sourcePath = defaultImportSource();
        program_.settings->set(kSettingsApp, program_.settingsSection, kImportSource, sourcePath);
    }
}

void MainWindowLogic::validateserver() {
    try {
        ui::checkSourceFile(sourcePath);
        validFlag = true;
    } catch (const std::exception& ex) {
        VbError e = toVbError(ex);
        std::string text = "Error in module validateserver \nerror # " + std::to_string(e.number) + "  " +
                           e.description + "\n";
        abortFlag = true;
        if (e.number == vb::kFileNotFound) {
            // The server answers: the load goes on to read the settings, then ends the program.
            program_.showMessage(text + "The Korvane source file 'X390.QB' was not found.",
                                 MsgIcon::Exclamation);
            validFlag = true;
            return;
        }
        if (e.number == vb::kBadFileNameOrNumber)
            text += "Can Not locate Korvane Server !\nMake sure the drive is mapped properly.";
        program_.showMessage(text, MsgIcon::Exclamation);
        validFlag = false;
        if (program_.clock) log(sourceCheckErrorEntry(*program_.clock, text, sourcePath));
    }
}

bool MainWindowLogic::loadEngine() {
    auto trapped = [this](const char* heading, auto fill) {
        try {
            fill();
        } catch (const std::exception& ex) {
            std::string text = moduleErrorReport(heading, toVbError(ex));
            program_.showMessage(text);
            if (program_.clock) log(errorEntry(*program_.clock, text));
        }
    };
    engine_ = std::make_unique<clsZTL>(program_);
    engine_->QBCompany = companyFile;
    engine_->LoadQbCoa();
    if (engine_->cZTLError) {
        view_.setImportEnabled(false);
        return false;
    }
    trapped("Error in module loadgridCoa ", [this] { view_.showAccountsGrid(ui::accountsGrid(engine_->chart())); });
    engine_->X390source(sourcePath);
    engine_->Load390();
    totals = engine_->X390();
    trapped("Error in module loadgridx390 ", [this] { view_.showTotalsGrid(ui::totalsGrid(*totals)); });
    return true;
}

void MainWindowLogic::cmdQBCBrowse_Click() {
    try {
        std::string chosen = view_.chooseCompanyFile();
        // Stored at once, used from the next start: the engine object keeps its company.
        companyFile = chosen;
        if (!program_.settings) throw vbError(vb::kObjectNotSet);
        program_.settings->set(kSettingsApp, program_.settingsSection, key::kCompany, chosen);
        view_.setCompanyName(chosen);
    } catch (const std::exception& ex) {
        VbError e = toVbError(ex);
        if (e.number == vb::kDialogCancelled) return;
        program_.showMessage(std::to_string(e.number) + e.description);
    }
}

void MainWindowLogic::txtRefNum_LostFocus(const std::string& text) {
    if (fieldsLoaded_) ui::saveFieldSetting(program_, "txtRefNum", key::kImportReferenceNumber, text);
}

void MainWindowLogic::accountFieldLostFocus(const std::string& controlName, const std::string& text) {
    if (fieldsLoaded_ && ui::storeAccountField(program_, controlName, text) && engine_ && totals && !imported_)
        recheckDue_ = true;
}

void MainWindowLogic::recheckIfDue() {
    if (!recheckDue()) return;
    recheck();
}

void MainWindowLogic::recheck() {
    if (!engine_ || busy_) return;
    ui::BusyFlag busy(busy_);
    recheckDue_ = false;
    // A copy: the window may be closed while the check waits, and the engine object goes with it.
    const ChartReading chart{engine_->chartLoaded() ? std::optional(engine_->chart()) : std::nullopt, {}};
    lastCheck = ui::checkForWindow(program_, companyFile, sourcePath, engine_->loadedDay(), chart);
    ui::addPendingDaysNote(lastCheck->countLine, sourcePath);
    view_.showCheck(*lastCheck);
}

void MainWindowLogic::cmdImport_Click() {
    importRun(true);
}

void MainWindowLogic::runImport() {
    importRun(false);
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

void MainWindowLogic::importRun(bool settleFile) {
    if (busy_) return;
    if (undone_) {
        if (!ui::putDayBack(program_, importPlace())) return;
        // The engine object closed its connection when its run ended: the day is posted by a
        // new one, with the company's chart and the day as they are now.
        if (!loadEngine()) return;
        undone_ = false;
    }
    ui::BusyFlag busy(busy_);
    lastOutcome.reset();
    lastRun.reset();
    DayImport import{.source = sourcePath, .companyFile = companyFile, .settleFile = settleFile, .engine = engine_.get()};
    import.afterRun = [this](const RunRecord& run) {
            lastRun = run;
            // The marks told of the file before this run; now they tell what the run did with
            // the day it posted.
            imported_ = true;
            recheckDue_ = false;
            lastCheck = ui::runMarksForWindow(run);
            view_.showCheck(*lastCheck);
            // The run has advanced the number: a field still showing the old one would store it
            // back when it next loses the focus. A store that cannot be read here has already
            // been reported by the run, and must not keep the totals file from being settled.
            try {
                view_.setReferenceNumber(setting(key::kImportReferenceNumber));
            } catch (const std::exception&) {
            }
        };
    lastOutcome = importDay(program_, import).file;
}

void MainWindowLogic::Unload() {
    if (unloaded_) return;
    unloaded_ = true;
    if (started_ && program_.clock) log(endEntry(*program_.clock));
    totals.reset();
    engine_.reset();
    if (program_.mainWindow == &view_) program_.mainWindow = nullptr;
}

}  // namespace ztl::single
