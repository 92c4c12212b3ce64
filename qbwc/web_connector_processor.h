#pragma once
// The request processor on the Web Connector bridge: the SDK's session rules over the
// Web Connector's one session (web_connector_service.h).
//
// OpenConnection waits for the Web Connector and learns the company file it has open;
// BeginSession with an empty company file takes that one, with another name fails with
// 0x8004040A; ProcessRequest hands the request to the Web Connector and returns what
// QuickBooks answered; sessions have tickets of this processor's own. A processor made
// by a factory that could not start fails OpenConnection with 0x80040401 and the reason.
#include <memory>
#include <string>

#include "platform/quickbooks_wait.h"
#include "platform/request_processor.h"
#include "platform/session_tickets.h"

namespace ztl::qbwc {

class WebConnectorService;

class WebConnectorProcessor : public RequestProcessor {
  public:
    // `service` null: the bridge could not start, for the reason given.
    // `wait`, when given, is called while the processor waits for the Web Connector.
    WebConnectorProcessor(std::shared_ptr<WebConnectorService> service, std::string startError,
                          QuickBooksWait* wait = nullptr);
    ~WebConnectorProcessor() override;

    void OpenConnection(const std::string& appId, const std::string& appName) override;
    std::string BeginSession(const std::string& companyFile, int mode) override;
    std::string ProcessRequest(const std::string& ticket, const std::string& request) override;
    void EndSession(const std::string& ticket) override;
    void CloseConnection() override;
    std::string GetCurrentCompanyFileName(const std::string& ticket) override;

  private:
    std::shared_ptr<WebConnectorService> service_;
    std::string startError_;
    QuickBooksWait* wait_;
    std::string company_;                    // what the Web Connector had open at OpenConnection
    SessionTickets<std::string> sessions_;  // the company file of each session
};

}  // namespace ztl::qbwc
