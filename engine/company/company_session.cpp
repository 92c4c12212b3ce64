#include "engine/company/company_session.h"

#include <filesystem>

#include "engine/company/import_settings.h"
#include "engine/company/quickbooks_session.h"
#include "engine/company/settings_keys.h"
#include "engine/totals/store_day.h"
#include "platform/paths.h"
#include "qbxml/answer_document.h"
#include "qbxml/requests.h"

namespace ztl {

CompanySession::CompanySession(Program& program, std::string companyFile)
    : program_(program), companyFile_(std::move(companyFile)) {
    try {
        if (!program_.processors) throw vbError(vb::kObjectNotSet);
        processor_ = program_.processors->create();
        processor_->OpenConnection("", kQuickBooksAppName);
    } catch (const std::exception& ex) {
        notOpened_ = toVbError(ex);
    }
}

CompanySession::~CompanySession() {
    if (!processor_ || notOpened_) return;
    try {
        processor_->CloseConnection();
    } catch (...) {
        // Closing is best effort: the connection may already be closed.
    }
}

std::string CompanySession::ask(const std::string& request) {
    if (notOpened_) throw *notOpened_;
    return askInOneSession(*processor_, companyFile_, request);
}

const ChartLoad& CompanySession::loadChart() {
    if (chart_) return *chart_;
    ChartLoad& load = chart_.emplace();
    const std::string unreadable = "The chart of accounts of the QuickBooks company could not be read";
    try {
        const std::string answer = ask(accountQueryRequest());
        ChartReading reading = readChart(answer);
        if (reading.chart)
            load.chart = std::move(reading.chart);
        else
            load.failure = unreadable + ": QuickBooks' answer is not well-formed XML: " + reading.unreadable;
    } catch (const std::exception& ex) {
        load.failure = unreadable + ": " + toVbError(ex).description;
    }
    return load;
}

const CompanyChart& CompanySession::chart() {
    const ChartLoad& load = loadChart();
    if (!load.chart) throw CompanyError(load.failure);
    return *load.chart;
}

PlannedDay CompanySession::readDay(const std::string& totalsPath) {
    const CompanyChart& companyChart = chart();
    try {
        std::filesystem::path path = paths::map(totalsPath);
        std::error_code ec;
        if (!std::filesystem::exists(path, ec)) throw vbError(vb::kFileNotFound);
        return planDay(*readTotalsFile(totalsPath), companyChart, storedEntityNames(program_));
    } catch (const std::exception& ex) {
        VbError e = toVbError(ex);
        throw CompanyError("The totals file " + totalsPath + " could not be read (error # " +
                           std::to_string(e.number) + ": " + e.description + ").");
    }
}

}  // namespace ztl
