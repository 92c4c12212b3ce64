#include "engine/company/quickbooks_session.h"

#include "platform/windows1252.h"

namespace ztl {

std::string askInOneSession(RequestProcessor& qb, const std::string& companyFile,
                            const std::string& request) {
    const std::string ticket = qb.BeginSession(companyFile, kOpenModeDoNotCare);
    std::string response;
    try {
        response = qb.ProcessRequest(ticket, windows1252ToUtf8(request));
    } catch (...) {
        try {
            qb.EndSession(ticket);
        } catch (...) {
        }
        throw;
    }
    qb.EndSession(ticket);
    return response;
}

}  // namespace ztl
