#include "qbwc/service_client.h"

#include <unistd.h>

#include "platform/vb_error.h"
#include "qbwc/bridge_errors.h"
#include "qbwc/local_channel.h"
#include "qbwc/random_id.h"
#include "qbwc/web_connector_service.h"

namespace ztl::qbwc {

namespace {
VbError serviceGone() {
    return couldNotAccess("The Web Connector service (ztl qbwc service) has stopped.");
}
}  // namespace

ServiceClientProcessor::ServiceClientProcessor(std::string socketPath, QuickBooksWait* wait,
                                               std::optional<std::chrono::seconds> timeout)
    : socketPath_(std::move(socketPath)), wait_(wait), timeout_(timeout), sessions_(newTicket, kBridgeSource) {}

ServiceClientProcessor::~ServiceClientProcessor() {
    drop();
}

void ServiceClientProcessor::drop() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
    sessions_.disconnect();
}

std::string ServiceClientProcessor::exchange(char type, const std::string& payload, char expected,
                                             const char* what) {
    if (!sendFrame(fd_, type, payload)) {
        drop();
        throw serviceGone();
    }
    struct Done {
        QuickBooksWait* wait;
        bool waited = false;
        ~Done() {
            if (wait && waited) wait->done();
        }
    } done{wait_};
    std::string waitingFor = what;
    const auto since = std::chrono::steady_clock::now();
    bool cancelSent = false;
    for (;;) {
        if (!wait_ || readable(fd_, std::chrono::milliseconds(100))) {
            std::optional<Frame> f = readFrame(fd_);
            if (!f) {
                drop();
                throw serviceGone();
            }
            if (f->type == 'w') {
                waitingFor = f->payload;
                continue;
            }
            if (f->type == expected) return f->payload;
            if (f->type == 'e') {
                std::size_t nl = f->payload.find('\n');
                long number = std::strtol(f->payload.c_str(), nullptr, 10);
                throw VbError(number, kBridgeSource,
                              nl == std::string::npos ? std::string() : f->payload.substr(nl + 1));
            }
            drop();
            throw serviceGone();
        }
        done.waited = true;
        auto waited =
            std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - since);
        if (!wait_->waiting(waitingFor, waited) && !cancelSent) {
            // The service withdraws the request if the Web Connector has not taken it yet.
            sendFrame(fd_, 'C');
            cancelSent = true;
        }
    }
}

void ServiceClientProcessor::OpenConnection(const std::string&, const std::string&) {
    if (fd_ >= 0) return;
    fd_ = connectLocal(socketPath_);
    if (fd_ < 0) throw serviceGone();
    try {
        exchange('O', timeout_ ? std::to_string(timeout_->count()) : std::string(), 'o',
                 "Waiting for the Web Connector to call");
        sessions_.connect();
    } catch (const VbError& e) {
        drop();
        if (wait_) wait_->failed(e.description);
        throw;
    }
}

std::string ServiceClientProcessor::BeginSession(const std::string& companyFile, int) {
    sessions_.requireConnection();
    std::string open = exchange('N', {}, 'n', "Waiting for the Web Connector service");
    if (!companyFile.empty() && !sameCompanyFile(companyFile, open))
        throw companyNotOpen();
    return sessions_.begin(open);
}

std::string ServiceClientProcessor::ProcessRequest(const std::string& ticket, const std::string& request) {
    const std::string company = sessions_.sessionOrThrow(ticket);
    return exchange('S', company + std::string(1, '\0') + request, 'a',
                    "Waiting for the Web Connector to take the request");
}

void ServiceClientProcessor::EndSession(const std::string& ticket) {
    sessions_.sessionOrThrow(ticket);
    sessions_.end(ticket);
}

void ServiceClientProcessor::CloseConnection() {
    sessions_.requireConnection();
    drop();  // closing the socket releases the service's connection
}

std::string ServiceClientProcessor::GetCurrentCompanyFileName(const std::string& ticket) {
    return sessions_.sessionOrThrow(ticket);
}

}  // namespace ztl::qbwc
