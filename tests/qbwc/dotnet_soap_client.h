#pragma once
// An HTTP client that behaves as the .NET SOAP client inside the Web Connector: one
// connection kept alive between calls (and dropped after 100 s idle), "Expect:
// 100-continue" before every body (sent anyway after 350 ms without an answer), and no
// silent retry: a kept-alive connection the server closed under it fails the call, as
// .NET's "The underlying connection was closed" does. Plain HTTP on the loopback only.
#include <chrono>
#include <string>
#include <vector>

namespace ztl::qbwc::test {

struct HttpAnswer {
    int status = 0;  // 0: the call failed (see `failure`)
    std::string body;
    std::string failure;
    bool connectionClose = false;  // the answer said "Connection: close"
};

class DotNetSoapClient {
  public:
    DotNetSoapClient(std::string host, int port);
    ~DotNetSoapClient();
    DotNetSoapClient(const DotNetSoapClient&) = delete;
    DotNetSoapClient& operator=(const DotNetSoapClient&) = delete;

    HttpAnswer post(const std::string& path, const std::string& soapAction, const std::string& body);

    int connectionsOpened() const { return opened_; }
    int lateContinues() const { return lateContinues_; }  // bodies sent without the server's 100
    int keptAliveFailures() const { return keptAliveFailures_; }

  private:
    bool connect(std::string& failure);
    void drop();
    bool readResponse(HttpAnswer& answer, bool& sawContinue, std::chrono::milliseconds continueWait);

    std::string host_;
    int port_;
    int fd_ = -1;
    std::string pending_;  // bytes read past the last answer
    std::chrono::steady_clock::time_point idleSince_{};
    int opened_ = 0;
    int lateContinues_ = 0;
    int keptAliveFailures_ = 0;
};

}  // namespace ztl::qbwc::test
