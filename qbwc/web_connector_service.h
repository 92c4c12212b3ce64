#pragma once
// The meeting point of the program's request processors and the QuickBooks Web Connector.
//
// The Web Connector is the client: it calls when its schedule says so, and only then can a
// request reach QuickBooks. The program's side therefore waits: openConnection until a Web
// Connector session has named its company file (first sendRequestXML), submit until
// sendRequestXML has handed the request out and receiveResponseXML brought its answer.
// While the program has a connection open the session is kept alive by the protocol's own
// means: sendRequestXML is held for a while and, with still nothing to send, answers "" so
// that getLastError can answer "NoOp" (the Web Connector pauses and asks again), and
// receiveResponseXML answers a percentage below 100. Once no connection has been open for
// `linger`, the session ends: receiveResponseXML answers 100, or sendRequestXML "" and
// getLastError a closing text.
//
// One Web Connector session at a time. Its calls must name its ticket and follow the
// protocol's order; any other call is LostTraffic and changes nothing. A new authenticate
// replaces a session none of whose calls is in progress: the Web Connector makes one call
// at a time and starts a session only once it has given up the last, so a session whose
// client vanished is let go once its last call has ended. A request that session had out
// will never be answered: it is recorded as answered by nobody at once, and the program
// that sent it learns so then, not at the end of its wait (an answer that still comes for
// the old ticket is written down, and changes nothing). Thread-safe: HTTP threads make the
// Web Connector's calls, the program's threads the others.
//
// Errors on the program's side are VbErrors with the SDK's HRESULTs: 0x80040408 when the
// Web Connector does not call in time, or called with a password that is refused (said as
// soon as it happens), or the operator cancelled the wait (nothing was handed out, so
// nothing is posted); the HRESULT and message the Web Connector reported for a failure in
// QuickBooks; 0x80040423 when QuickBooks cannot take the engine's qbXML 1.0 US requests;
// 0x8004040A for a request meant for another company; 0x80040400 for a request XML cannot
// carry. A bad authenticate is answered late, and later each time, per client address.
//
// A program may bring a wait of its own to openConnection and submit (an unattended run
// waits until the morning); without one it waits the service's `timeout`.
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/quickbooks_wait.h"
#include "platform/vb_error.h"
#include "qbwc/company_file_name.h"
#include "qbwc/held_call.h"
#include "qbwc/login_guard.h"
#include "qbwc/password_hash.h"
#include "qbwc/reported_error.h"
#include "qbwc/service_journal.h"
#include "qbwc/verified_credential.h"

namespace ztl::qbwc {

struct LostTraffic : std::runtime_error {
    using std::runtime_error::runtime_error;
};

struct ServiceTimings {
    std::chrono::milliseconds timeout{120000};  // the program's wait for the Web Connector
    std::chrono::milliseconds hold{15000};      // one held call; well below the client's HTTP time-out
    std::chrono::milliseconds linger{5000};     // a session outlives the last connection by this
};

struct AuthenticateAnswer {
    std::vector<std::string> strings;    // authenticate's array
    std::chrono::milliseconds delay{0};  // how long to hold the answer back
};

inline constexpr long kUnsupportedVersion = -2147220445;  // 0x80040423

struct Credentials {
    std::string userName;
    std::string passwordHash;  // as password_hash.h keeps it
};

// What getLastError answers to keep the session: the Web Connector pauses and asks again.
inline constexpr const char* kNoOp = "NoOp";
// receiveResponseXML's answer while the session goes on; the total is never known ahead.
inline constexpr int kWorkingPercent = 50;

class WebConnectorService {
  public:
    using Clock = std::chrono::steady_clock;
    using NoteSink = std::function<void(const std::string&)>;

    // `passwordCheck` is the slow check of a password against its stored hash.
    WebConnectorService(Credentials credentials, ServiceTimings timings, NoteSink note = {},
                        VerifiedCredential::SlowCheck passwordCheck = verifyPassword);
    ~WebConnectorService();

    // The Web Connector's side: its SOAP methods, with the WSDL's parameters.
    std::string serverVersion() const;
    std::string clientVersion(const std::string& strVersion) const;
    AuthenticateAnswer authenticate(const std::string& strUserName, const std::string& strPassword,
                                    const std::string& peer);
    std::vector<std::string> authenticate(const std::string& strUserName, const std::string& strPassword) {
        return authenticate(strUserName, strPassword, "").strings;
    }
    // The first call of a session carries QuickBooks' host query answer: the qbXML
    // versions it supports and its country are read from it.
    std::string sendRequestXML(const std::string& ticket, const std::string& strCompanyFileName,
                               const std::string& strHCPResponse = {}, const std::string& qbXMLCountry = {});
    int receiveResponseXML(const std::string& ticket, const std::string& response, const std::string& hresult,
                           const std::string& message);
    std::string connectionError(const std::string& ticket, const std::string& hresult,
                                const std::string& message);
    std::string getLastError(const std::string& ticket);
    std::string closeConnection(const std::string& ticket);

    // The program's side. openConnection returns the company file of the session it waited
    // for; every successful openConnection is balanced by one releaseConnection.
    // `timeout`, when given, is how long this program waits instead of the service's own.
    using ProgramTimeout = std::optional<std::chrono::milliseconds>;
    std::string openConnection(QuickBooksWait* wait = nullptr, ProgramTimeout timeout = {});
    void releaseConnection();
    // The response to `request`; `companyFile` empty means whichever company is open.
    std::string submit(const std::string& request, const std::string& companyFile,
                       QuickBooksWait* wait = nullptr, ProgramTimeout timeout = {});
    // The company file of the current session ("" without one).
    std::string companyFile() const;

    // Some call of the Web Connector arrived (any method, any ticket).
    void heard();
    // Where the Web Connector is to call (the .qwc file's URL when known), for the messages
    // that ask whether it can.
    void setUrl(std::string url);
    // The bookkeeper's console served beside the service ("https://HOST:PORT/console/"), or
    // "" when none is: what getLastError and closeConnection say of a failure names it, as the
    // Web Connector shows only one line.
    void setConsole(std::string address);
    // New credentials and wait: for the next authenticate and the next wait of a program.
    void reload(Credentials credentials, std::chrono::milliseconds timeout);
    ServiceStatus status() const;
    // A line of the program's own for the log, after the idle calls not yet logged.
    void announce(const std::string& text);

    // Ends the service: held calls end the session, the program's calls fail; waits at most
    // `grace` for the Web Connector to close its session.
    void stop(std::chrono::milliseconds grace);

  private:
    struct Pending;
    struct Session;
    enum class Phase { Connecting, Ready, Working, Ending, Failed };

    Session& sessionFor(const std::string& ticket, const char* method);
    Session* current(const std::string& ticket);
    HeldCall hold(const std::string& ticket);
    Clock::time_point lingerEnds() const;
    bool lingerOver(Clock::time_point now) const;
    std::shared_ptr<Pending> nextQueued();
    void fail(const std::shared_ptr<Pending>& p, const VbError& e);
    void failAll(const VbError& e);
    void endSession(const char* why);
    void note(const std::string& text);
    // `text` for the Web Connector's status line, pointing to the console when one is served.
    std::string toConsole(std::string text) const;
    // What closeConnection answers to a session that failed or was refused.
    std::string closingAfterFailure() const;

    Credentials credentials_;
    ServiceTimings timings_;

    mutable std::mutex mutex_;
    std::condition_variable changed_;
    ServiceJournal journal_;
    LoginGuard guard_;
    bool stopping_ = false;
    int connections_ = 0;                         // the program's open connections
    Clock::time_point idleSince_{};               // when the last of them closed
    std::unique_ptr<Session> session_;            // the one Web Connector session
    // The session a new one replaced and the request it had out, for an answer that still comes.
    std::string replacedTicket_;
    std::shared_ptr<Pending> replacedRequest_;
    VerifiedCredential verified_;
    std::deque<std::shared_ptr<Pending>> queue_;  // requests not yet handed out
    std::uint64_t connectionFailures_ = 0;        // connectionError calls so far
    std::optional<VbError> lastConnectionError_;
    std::uint64_t refusals_ = 0;  // authenticate calls refused so far
    std::string lastRefusal_;
    std::string console_;  // the console's address; empty when none is served
};

}  // namespace ztl::qbwc
