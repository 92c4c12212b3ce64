#include "qbwc/web_connector_processor.h"

#include "platform/vb_error.h"
#include "qbwc/bridge_errors.h"
#include "qbwc/random_id.h"
#include "qbwc/web_connector_service.h"

namespace ztl::qbwc {

namespace {

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
    : service_(std::move(service)), startError_(std::move(startError)), wait_(wait), sessions_(newTicket, kBridgeSource) {}

WebConnectorProcessor::~WebConnectorProcessor() {
    // A connection never closed still keeps the Web Connector's session: give it back.
    if (sessions_.connected() && service_) service_->releaseConnection();
}

void WebConnectorProcessor::OpenConnection(const std::string&, const std::string&) {
    if (!service_)
        throw couldNotAccess(startError_);
    if (sessions_.connected()) return;  // the SDK keeps one connection per processor
    WaitDone over{wait_};
    try {
        company_ = service_->openConnection(wait_);
    } catch (const VbError& e) {
        if (wait_) wait_->failed(e.description);
        throw;
    }
    sessions_.connect();
}

std::string WebConnectorProcessor::BeginSession(const std::string& companyFile, int) {
    sessions_.requireConnection();
    // The Web Connector may have come back since with a session of its own: its company counts.
    std::string open = service_->companyFile();
    if (open.empty()) open = company_;
    if (!companyFile.empty() && !sameCompanyFile(companyFile, open))
        throw companyNotOpen();
    return sessions_.begin(open);
}

std::string WebConnectorProcessor::ProcessRequest(const std::string& ticket, const std::string& request) {
    const std::string& company = sessions_.sessionOrThrow(ticket);
    WaitDone over{wait_};
    return service_->submit(request, company, wait_);
}

void WebConnectorProcessor::EndSession(const std::string& ticket) {
    sessions_.sessionOrThrow(ticket);
    sessions_.end(ticket);
}

void WebConnectorProcessor::CloseConnection() {
    sessions_.requireConnection();
    sessions_.disconnect();
    service_->releaseConnection();
}

std::string WebConnectorProcessor::GetCurrentCompanyFileName(const std::string& ticket) {
    return sessions_.sessionOrThrow(ticket);
}

}  // namespace ztl::qbwc
