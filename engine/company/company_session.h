#pragma once
// One company as the programs talk to it outside an import run: a connection of its own on
// a new request processor (the program's own is never swapped), the company file every
// session names, and the company's chart of accounts once it has been read. Review, `ztl`
// and the unattended run ask their questions through it.
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>

#include "engine/company/posted_entry_query.h"
#include "engine/posting/company_chart.h"
#include "engine/posting/planned_day.h"
#include "engine/program.h"

namespace ztl {

// The company could not be talked to as asked; what() says why, in words for the operator.
struct CompanyError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// The chart as reading it went: the chart, or why there is none.
struct ChartLoad {
    std::optional<CompanyChart> chart;
    std::string failure;  // in words for the operator; empty when the chart was read
};

class CompanySession {
  public:
    // companyFile: the company file of every session; empty: the one QuickBooks has open.
    // A connection that cannot be opened is kept as the failure of every later question.
    CompanySession(Program& program, std::string companyFile);
    ~CompanySession();
    CompanySession(const CompanySession&) = delete;
    CompanySession& operator=(const CompanySession&) = delete;

    const std::string& companyFile() const { return companyFile_; }
    Program& program() { return program_; }

    // Asks QuickBooks for the chart of accounts once; later calls give the same result.
    const ChartLoad& loadChart();
    // The chart read by loadChart; throws CompanyError when it could not be read.
    const CompanyChart& chart();
    // The totals file planned against the chart with the names the account fields keep;
    // throws CompanyError when the file cannot be read or the chart is missing.
    PlannedDay readDay(const std::string& totalsPath);
    // One request, one session; throws VbError.
    std::string ask(const std::string& request);
    AskQuickBooks asker() {
        return [this](const std::string& r) { return ask(r); };
    }

  private:
    Program& program_;
    std::string companyFile_;
    std::shared_ptr<RequestProcessor> processor_;
    std::optional<VbError> notOpened_;
    std::optional<ChartLoad> chart_;
};

}  // namespace ztl
