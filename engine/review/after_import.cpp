#include "engine/review/after_import.h"

#include "engine/import/quickbooks_session.h"

namespace ztl {

AfterImport::AfterImport(Program& program, std::string companyFile) : program_(program), engine_(program) {
    engine_.QBCompany = std::move(companyFile);
}

void AfterImport::loadChart() {
    engine_.LoadQbCoa();
    if (engine_.cZTLError || engine_.responseText.empty())
        throw AfterImportError("The chart of accounts of the QuickBooks company could not be read.");
    try {
        chart_ = ChartOfAccounts::fromResponse(engine_.responseText);
    } catch (const std::exception& ex) {
        throw AfterImportError("The chart of accounts of the QuickBooks company could not be read: " +
                               toVbError(ex).description);
    }
}

PlannedDay AfterImport::readDay(const std::string& totalsPath) {
    try {
        return planDay(engine_, totalsPath);
    } catch (const std::exception& ex) {
        VbError e = toVbError(ex);
        throw AfterImportError("The totals file " + totalsPath + " could not be read (error # " +
                               std::to_string(e.number) + ": " + e.description + ").");
    }
}

std::string AfterImport::ask(const std::string& request) {
    if (!program_.requestProcessor) throw vbError(vb::kObjectNotSet);
    return askInOneSession(*program_.requestProcessor, engine_.QBCompany, request);
}

}  // namespace ztl
