#pragma once
// The request processor of a program while ztl qbwc service runs: the same SDK rules as
// WebConnectorProcessor, with the service's WebConnectorService at the other end of the
// local socket (local_channel.h). Each processor's OpenConnection opens a connection of
// its own, its CloseConnection (or its end) closes it. The program's own wait for the Web
// Connector goes with it, so that a run that waits until the morning does so through the
// service too.
#include <chrono>
#include <memory>
#include <optional>
#include <string>

#include "platform/quickbooks_wait.h"
#include "platform/request_processor.h"
#include "platform/session_tickets.h"

namespace ztl::qbwc {

class ServiceClientProcessor : public RequestProcessor {
  public:
    // `timeout`: how long the program waits for the Web Connector; none: the service's time.
    ServiceClientProcessor(std::string socketPath, QuickBooksWait* wait,
                           std::optional<std::chrono::seconds> timeout = {});
    ~ServiceClientProcessor() override;

    void OpenConnection(const std::string& appId, const std::string& appName) override;
    std::string BeginSession(const std::string& companyFile, int mode) override;
    std::string ProcessRequest(const std::string& ticket, const std::string& request) override;
    void EndSession(const std::string& ticket) override;
    void CloseConnection() override;
    std::string GetCurrentCompanyFileName(const std::string& ticket) override;

  private:
    // Sends one call and waits for its answer of type `expected`, calling the wait hook.
    std::string exchange(char type, const std::string& payload, char expected, const char* what);
    void drop();

    std::string socketPath_;
    QuickBooksWait* wait_;
    std::optional<std::chrono::seconds> timeout_;
    int fd_ = -1;
    SessionTickets<std::string> sessions_;  // the company file of each session
};

class ServiceClientFactory : public RequestProcessorFactory {
  public:
    ServiceClientFactory(std::string socketPath, QuickBooksWait* wait,
                         std::optional<std::chrono::seconds> timeout = {})
        : socketPath_(std::move(socketPath)), wait_(wait), timeout_(timeout) {}
    std::shared_ptr<RequestProcessor> create() override {
        return std::make_shared<ServiceClientProcessor>(socketPath_, wait_, timeout_);
    }

  private:
    std::string socketPath_;
    QuickBooksWait* wait_;
    std::optional<std::chrono::seconds> timeout_;
};

}  // namespace ztl::qbwc
