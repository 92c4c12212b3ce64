#pragma once
// Plays the QuickBooks Web Connector against the bridge over HTTP(S): its call order, SOAP
// 1.1 envelopes and headers, with a request processor standing for the QuickBooks beside
// it. Its pauses (the schedule between runs, the pause after "NoOp") are shortened.
#include <atomic>
#include <chrono>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "platform/request_processor.h"

namespace httplib {
class ClientImpl;
}

namespace ztl::qbwc::test {

class DotNetSoapClient;

struct SoapAnswer {
    int status = 0;                    // HTTP status; 0: no connection
    std::vector<std::string> results;  // the <methodResult> text, or its <string> items
    std::string fault;                 // faultstring of a SOAP fault
    std::string body;
    std::string result() const { return results.empty() ? std::string() : results[0]; }
};

class WebConnectorPlayer {
  public:
    struct Options {
        std::string host = "127.0.0.1";
        int port = 0;
        bool tls = false;
        std::string userName = "clerk";
        std::string password = "s3cret pass";
        std::chrono::milliseconds schedule{20};        // RunEveryNSeconds between runs
        std::chrono::milliseconds noOpPause{20};       // the Web Connector pauses 5 s after NoOp
        bool dotNet = false;                           // calls through DotNetSoapClient (plain HTTP only)
        std::chrono::milliseconds quickBooksPause{0};  // what QuickBooks takes per request
        // The n-th journal entry (from 1) is posted in QuickBooks, but the Web Connector
        // vanishes before it hands the answer back; 0: every answer comes back.
        int loseAnswerOfEntry = 0;
    };
    using Params = std::vector<std::pair<std::string, std::string>>;

    // `quickBooks` null: the QuickBooks beside it cannot be reached.
    WebConnectorPlayer(Options options, std::shared_ptr<RequestProcessor> quickBooks);
    ~WebConnectorPlayer();

    // One SOAP call as the Web Connector makes it.
    SoapAnswer call(const std::string& method, const Params& params);
    // A POST of any body, with the headers of `method`'s call, on a connection of its own.
    SoapAnswer post(const std::string& method, const std::string& body);

    // One run from serverVersion to closeConnection; what was called and answered, as
    // "method -> answer" lines.
    std::vector<std::string> runOnce();
    // Runs on a thread of its own, on the schedule, until stop().
    void start();
    void stop();

    int requestsAnswered() const { return requests_; }
    // Calls that failed on a connection the server had closed under the client.
    int keptAliveFailures() const;
    int lateContinues() const;
    std::vector<std::string> transcript() const;

  private:
    std::unique_ptr<httplib::ClientImpl> newClient() const;
    SoapAnswer post(httplib::ClientImpl& client, const std::string& method, const std::string& body);
    SoapAnswer call(httplib::ClientImpl& client, const std::string& method, const Params& params);
    void log(std::vector<std::string>& lines, const std::string& line);
    SoapAnswer dotNetCall(const std::string& method, const Params& params);
    std::unique_ptr<DotNetSoapClient> dotNet_;
    Options options_;
    std::shared_ptr<RequestProcessor> quickBooks_;
    std::atomic<bool> stopping_{false};
    std::atomic<int> requests_{0};
    std::atomic<int> entries_{0};
    std::thread thread_;
    mutable std::mutex mutex_;
    std::vector<std::string> transcript_;
};

// A loopback port nobody listens on now: bound to 0, read back, released for a program to
// take; 0 when none could be had.
int freePort();

// The SOAP 1.1 envelope the Web Connector's .NET client writes for a call.
std::string soapEnvelope(const std::string& method, const WebConnectorPlayer::Params& params);

}  // namespace ztl::qbwc::test
