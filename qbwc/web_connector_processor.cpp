#include "qbwc/web_connector_processor.h"

#include "platform/vb_error.h"
#include "qbwc/random_id.h"
#include "qbwc/web_connector_service.h"

namespace ztl::qbwc {

namespace {
constexpr const char* kSource = "QBWC";

// Tells the hook the wait is over, however it ended.
struct WaitDone {
    QuickBooksWait* wait;
    ~WaitDone() {
        if (wait) wait->done();
    }
};
}  // namespace

WebConnectorProcessor::WebConnectorProcessor(std::shared_ptr<WebConnectorService> service,
                                             std::string startError, QuickBooksWait* wait)
    : service_(std::move(service)), startError_(std::move(startError)), wait_(wait) {}

WebConnectorProcessor::~WebConnectorProcessor() {
    // A connection never closed still keeps the Web Connector's session: give it back.
    if (connected_ && service_) service_->releaseConnection();
}

void WebConnectorProcessor::requireConnection() const {
    if (!connected_) throw VbError(hresult::kCouldNotAccess, kSource, "Could not access QuickBooks.");
}

const std::string& WebConnectorProcessor::sessionCompany(const std::string& ticket) const {
    requireConnection();
    auto it = sessions_.find(ticket);
    if (it == sessions_.end())
        throw VbError(hresult::kInvalidTicket, kSource, "The ticket parameter is invalid");
    return it->second;
}

void WebConnectorProcessor::OpenConnection(const std::string&, const std::string&) {
    if (!service_)
        throw VbError(hresult::kCouldNotAccess, kSource, "Could not access QuickBooks. " + startError_);
    if (connected_) return;  // the SDK keeps one connection per processor
    WaitDone over{wait_};
    try {
        company_ = service_->openConnection(wait_);
    } catch (const VbError& e) {
        if (wait_) wait_->failed(e.description);
        throw;
    }
    connected_ = true;
}

std::string WebConnectorProcessor::BeginSession(const std::string& companyFile, int) {
    requireConnection();
    // The Web Connector may have come back since with a session of its own: its company counts.
    std::string open = service_->companyFile();
    if (open.empty()) open = company_;
    if (!companyFile.empty() && !sameCompanyFile(companyFile, open))
        throw VbError(hresult::kCompanyNotOpen, kSource,
                      "The QuickBooks company data file is not the one currently open in QuickBooks.");
    std::string ticket = newTicket();
    sessions_.emplace(ticket, open);
    return ticket;
}

std::string WebConnectorProcessor::ProcessRequest(const std::string& ticket, const std::string& request) {
    const std::string& company = sessionCompany(ticket);
    WaitDone over{wait_};
    return service_->submit(request, company, wait_);
}

void WebConnectorProcessor::EndSession(const std::string& ticket) {
    sessionCompany(ticket);
    sessions_.erase(ticket);
}

void WebConnectorProcessor::CloseConnection() {
    requireConnection();
    sessions_.clear();
    connected_ = false;
    service_->releaseConnection();
}

std::string WebConnectorProcessor::GetCurrentCompanyFileName(const std::string& ticket) {
    return sessionCompany(ticket);
}

}  // namespace ztl::qbwc
