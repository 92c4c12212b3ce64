#include "engine/review/check_run.h"

#include "engine/company/import_settings.h"
#include "engine/company/settings_keys.h"
#include "engine/posting/posted_entries.h"
#include "platform/paths.h"
#include "platform/vb_error.h"
#include "platform/windows1252.h"

namespace ztl {

TotalsCheck checkBeforeImport(Program& program, const std::string& company, const std::string& sourcePath,
                              const ChartReading& chart, std::shared_ptr<const StoreDay> day) {
    // A window that keeps its connection open (the single-store window, and with it the Web
    // Connector's session) is asked through that; otherwise the check opens one of its own.
    std::shared_ptr<RequestProcessor> qb = program.requestProcessor;
    const bool own = !qb;
    std::optional<VbError> unreachable;
    try {
        if (own) {
            if (!program.processors) throw vbError(vb::kObjectNotSet);
            qb = program.processors->create();
            qb->OpenConnection("", kQuickBooksAppName);
        }
    } catch (const std::exception& ex) {
        unreachable = toVbError(ex);
    }
    auto ask = [&](const std::string& request) -> std::string {
        if (unreachable) throw *unreachable;
        const std::string ticket = qb->BeginSession(company, kOpenModeDoNotCare);
        std::string response;
        try {
            response = qb->ProcessRequest(ticket, windows1252ToUtf8(request));
        } catch (...) {
            try {
                qb->EndSession(ticket);
            } catch (...) {
            }
            throw;
        }
        qb->EndSession(ticket);
        return response;
    };
    struct Close {
        std::shared_ptr<RequestProcessor>& qb;
        bool open;
        ~Close() {
            if (!qb || !open) return;
            try {
                qb->CloseConnection();
            } catch (...) {
            }
        }
    } close{qb, own && !unreachable};

    CheckInput input;
    input.chart = chart;
    input.day = day ? std::move(day) : readTotalsFile(sourcePath);
    input.names = storedEntityNames(program);
    input.askPosted = duplicateGuardOn(program);
    return checkTotals(input, ask);
}

}  // namespace ztl
