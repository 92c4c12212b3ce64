#include "engine/company/quickbooks_check.h"

#include "platform/error_report.h"
#include "platform/vb_error.h"

namespace ztl {

std::optional<std::string> CheckQBConnection(Program& program) {
    try {
        if (!program.processors) throw vbError(vb::kObjectNotSet);
        std::shared_ptr<RequestProcessor> qb = program.processors->create();
        qb->OpenConnection("", kQuickBooksAppName);
        std::string ticket = qb->BeginSession("", kOpenModeDoNotCare);
        std::string company = qb->GetCurrentCompanyFileName(ticket);
        qb->EndSession(ticket);
        qb->CloseConnection();
        return company;
    } catch (const std::exception& ex) {
        VbError e = toVbError(ex);
        if (e.number != hresult::kCompanyNotOpen) {
            program.showMessage(moduleErrorReport("Error in module : CheckQBConnection", e.number,
                                                  "Could not connect to QuickBooks Company! ",
                                                  "\n\nQuickBooks should be running with the \n"
                                                  "company you wish to import to currently open.",
                                                  ErrorWord::Lower),
                                MsgIcon::Critical);
        }
        return std::nullopt;
    }
}

}  // namespace ztl
