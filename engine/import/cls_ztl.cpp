// clsZTL: construction and destruction, error reports, the totals table and the sort.
#include "engine/import/cls_ztl.h"

#include <iterator>

#include "engine/company/operation_log.h"
#include "engine/company/settings_keys.h"
#include "engine/totals/transaction_sort.h"
#include "platform/error_report.h"
#include "platform/paths.h"
#include "platform/text_file.h"
#include "platform/windows1252.h"

namespace ztl {

clsZTL::clsZTL(Program& program) : program_(program) {
    try {
        if (program_.processors) {
            processor_ = program_.processors->create();
            program_.requestProcessor = processor_;
            cZTLError = false;
            processor_->OpenConnection("", kQuickBooksAppName);
        }
    } catch (const std::exception& ex) {
        reportAndLogModuleError("Error in module clsZTL.Class_Initialize ", toVbError(ex));
    }
}

clsZTL::~clsZTL() {
    EndLog(std::nullopt);
    closeConnection();
    if (program_.requestProcessor == processor_) program_.requestProcessor.reset();
}

void clsZTL::closeConnection() {
    if (!processor_) return;
    try {
        processor_->CloseConnection();
    } catch (...) {
        // Closing is best effort: the connection may already be closed.
    }
}

void clsZTL::report(const std::string& text, MsgIcon icon, const std::string& title) {
    program_.showMessage(text, icon, MsgButtons::OK, title);
}

void clsZTL::reportAndLog(const std::string& text, MsgIcon icon, const std::string& title,
                          const std::string& operationLogExtra) {
    report(text, icon, title);
    if (program_.edition == Edition::SingleStore && program_.clock)
        appendOperationLog(program_.operationLogPath,
                           operationLogEntry(*program_.clock, text + operationLogExtra));
}

void clsZTL::reportModuleError(const char* heading, const VbError& e) {
    report(moduleErrorReport(heading, e));
}

void clsZTL::reportAndLogModuleError(const char* heading, const VbError& e, const std::string& tail,
                                     const std::string& operationLogExtra) {
    reportAndLog(moduleErrorReport(heading, e, tail), MsgIcon::None, {}, operationLogExtra);
}

std::string clsZTL::setting(const char* key) const {
    if (!program_.settings) return {};
    return program_.settings->get(kSettingsApp, program_.settingsSection, key, "");
}

void clsZTL::Load390() {
    try {
        if (program_.splash) {
            program_.splash->setProgressCaption("Loading Korvane source file...");
            program_.splash->repaintProgress();
        }
        if (program_.edition == Edition::SingleStore) qCount_ = 0;
        loaded_.reset();
        std::shared_ptr<const StoreDay> day = readTotalsFile(source_);
        if (program_.edition == Edition::MultiStore && day->tCount)
            ZTLTrcount = ZTLTrcount.value_or(Decimal()) + *day->tCount;
        qCount_ += day->qLines;
        totals_->insert(totals_->end(), day->table.begin(), day->table.end());
        loaded_ = std::move(day);
    } catch (const std::exception& ex) {
        reportModuleError("Error in module clsZTL.Load390 ", toVbError(ex));
    }
}

void clsZTL::X390Sort(const std::vector<std::string>& lines, size_t count) {
    try {
        sortTransactionRows(lines, count, sorted_);
    } catch (const std::exception& ex) {
        reportModuleError("Error in module clsZTL.X390Sort ", toVbError(ex));
    }
}

std::string clsZTL::BuildCOARequest() {
    try {
        requestText = accountQueryRequest();
    } catch (const std::exception& ex) {
        reportModuleError("Error in module clsZTL.BuildCOARequest", toVbError(ex));
    }
    return requestText;
}

std::vector<std::string> clsZTL::qbCoa() const {
    std::vector<std::string> texts;
    for (const CompanyChart::Account& a : chart_.accounts())
        texts.push_back(utf8ToWindows1252(a.number) + "," + utf8ToWindows1252(a.name) + "," +
                        utf8ToWindows1252(a.type));
    return texts;
}

PlannedEntry clsZTL::planEntry(const DayBlock& block) {
    plannedWith_ = chartLoads_;
    return ztl::planEntry(block, [this](const std::string& code) { return GetEntAcct(code); });
}

}  // namespace ztl
