#pragma once
// The request processor on a simulated company: the SDK's session rules, with the SDK's
// HRESULTs and texts (platform/request_processor.h), over qbsim::Company files.
//
// "QuickBooks running" is a company file given at construction: sessions with an empty
// company file name open it, sessions naming another file fail with 0x8004040A. Without
// one, QuickBooks is not running: an empty name fails with 0x80040416 and a named company
// file is opened, as QuickBooks starts in the background with the file it is given, and
// stays the open company until the connection is closed. File names are compared after
// both are made absolute and canonical (a network path \\SERVER\SHARE\... is mapped first).
#include <filesystem>
#include <memory>
#include <optional>
#include <string>

#include "platform/request_processor.h"
#include "platform/session_tickets.h"
#include "qbsim/company.h"

namespace ztl::qbsim {

class SimRequestProcessor : public RequestProcessor {
  public:
    explicit SimRequestProcessor(std::optional<std::filesystem::path> runningCompany,
                                 Company::Options companyOptions = {});
    ~SimRequestProcessor() override;

    void OpenConnection(const std::string& appId, const std::string& appName) override;
    // A session on the running company, or on the file named when none runs.
    std::string BeginSession(const std::string& companyFile, int mode) override;
    // Answers one message set; a request that does not parse throws 0x80040400.
    std::string ProcessRequest(const std::string& ticket, const std::string& request) override;
    void EndSession(const std::string& ticket) override;
    // Ends the sessions left open; a company started in the background is no longer open.
    void CloseConnection() override;
    std::string GetCurrentCompanyFileName(const std::string& ticket) override;

    // Why the last call failed, in more words than the SDK's text (for support output).
    const std::string& lastErrorDetail() const { return detail_; }
    const std::string& appName() const { return appName_; }

  private:
    struct Session {
        std::filesystem::path file;
        std::unique_ptr<Company> company;
    };
    [[noreturn]] void fail(long hresult, const std::string& detail);
    void requireConnection(const char* call);
    [[noreturn]] void refuse(TicketRefusal why, const std::string& ticket, const char* call);
    Session& session(const std::string& ticket, const char* call);

    std::optional<std::filesystem::path> running_;
    Company::Options options_;
    std::string appName_;
    std::optional<std::filesystem::path> started_;  // company opened in the background
    SessionTickets<Session> sessions_;
    std::string detail_;
};

// The SDK's text of one of the HRESULTs of platform/request_processor.h.
const char* sdkDescription(long hresult);

// "/abs/canonical/path" of a company file name as given to BeginSession.
std::filesystem::path canonicalCompanyPath(const std::string& name);

}  // namespace ztl::qbsim
