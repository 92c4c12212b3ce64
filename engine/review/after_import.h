#pragma once
// What the checks after an import work with: one engine object on the company the import
// posted into, the company's chart, the totals file's transactions as the import posts them,
// and one-request sessions on the company.
#include <stdexcept>
#include <string>

#include "engine/import/cls_ztl.h"
#include "engine/posting/posted_entries.h"
#include "engine/import/posted_entry_query.h"
#include "engine/review/planned_day.h"

namespace ztl {

// A check could not be carried out; what() says why, in words for the operator.
struct AfterImportError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

class AfterImport {
  public:
    // companyFile: the company file of every session; empty: the one QuickBooks has open.
    AfterImport(Program& program, std::string companyFile);

    // Reads the chart of accounts (a failure has been reported to the operator); throws
    // AfterImportError when it could not be read.
    void loadChart();
    const ChartOfAccounts& chart() const { return chart_; }
    // Throws AfterImportError when the totals file cannot be read.
    PlannedDay readDay(const std::string& totalsPath);
    // One request, one session; throws VbError.
    std::string ask(const std::string& request);
    AskQuickBooks asker() {
        return [this](const std::string& r) { return ask(r); };
    }
    Program& program() { return program_; }

  private:
    Program& program_;
    clsZTL engine_;
    ChartOfAccounts chart_;
};

}  // namespace ztl
