#include "qbwc/web_connector_service.h"

#include <algorithm>

#include "platform/request_processor.h"
#include "qbwc/bridge_errors.h"
#include "qbwc/closing_request.h"
#include "qbwc/connection_error_causes.h"
#include "qbwc/host_answer.h"
#include "qbwc/late_answer.h"
#include "qbwc/password_hash.h"
#include "qbwc/program_wait.h"
#include "qbwc/random_id.h"
#include "qbwc/soap_response.h"

namespace ztl::qbwc {

namespace {

constexpr const char* kServerVersion = "Zentrel 1.0";
constexpr const char* kSessionDone = "Zentrel has nothing more to post.";
constexpr const char* kWaitCall = "Waiting for the Web Connector to call";
constexpr const char* kWaitTake = "Waiting for the Web Connector to take the request";
constexpr const char* kWaitAnswer = "Waiting for QuickBooks to answer through the Web Connector";

}  // namespace

struct WebConnectorService::Pending {
    enum class State { Queued, Sent, Answered, Failed, Abandoned };
    std::string request;
    std::string company;
    State state = State::Queued;
    bool closing = false;  // the session's closing request: nobody waits for its answer
    std::chrono::milliseconds timeout{};  // how long its program waits
    Clock::time_point sentAt{};
    std::string response;
    std::optional<VbError> error;
};

struct WebConnectorService::Session {
    std::string ticket;
    Phase phase = Phase::Connecting;
    std::string company;
    std::shared_ptr<Pending> inFlight;
    std::string lastError;    // what getLastError answers
    HeldCalls holds;
    Clock::time_point lastCall{};
};

WebConnectorService::WebConnectorService(Credentials credentials, ServiceTimings timings, NoteSink note,
                                         VerifiedCredential::SlowCheck passwordCheck)
    : credentials_(std::move(credentials)),
      timings_(timings),
      journal_(std::move(note)),
      verified_(std::move(passwordCheck)) {}

WebConnectorService::~WebConnectorService() = default;

void WebConnectorService::note(const std::string& text) {
    journal_.note(text);
}

void WebConnectorService::heard() {
    std::lock_guard lock(mutex_);
    journal_.heard();
}

void WebConnectorService::setUrl(std::string url) {
    std::lock_guard lock(mutex_);
    journal_.setUrl(std::move(url));
}

void WebConnectorService::setConsole(std::string address) {
    std::lock_guard lock(mutex_);
    console_ = std::move(address);
}

std::string WebConnectorService::toConsole(std::string text) const {
    if (console_.empty()) return text;
    while (!text.empty() && (text.back() == '.' || text.back() == ' ')) text.pop_back();
    if (text.empty()) return "The console at " + console_ + " shows what happened.";
    return text + "; the console at " + console_ + " shows what happened.";
}

std::string WebConnectorService::closingAfterFailure() const {
    return console_.empty() ? "OK" : toConsole("Nothing was posted");
}

void WebConnectorService::reload(Credentials credentials, std::chrono::milliseconds timeout) {
    std::lock_guard lock(mutex_);
    credentials_ = std::move(credentials);
    timings_.timeout = timeout;
    // A password refused before may be the one just set: no address waits for its pause.
    guard_.forgiveAll();
}

void WebConnectorService::announce(const std::string& text) {
    std::lock_guard lock(mutex_);
    note(text);
}

ServiceStatus WebConnectorService::status() const {
    std::lock_guard lock(mutex_);
    ServiceStatus s = journal_.status();
    s.sessionOpen = session_ != nullptr;
    s.programs = connections_;
    s.waiting = queue_.size();
    if (session_ && session_->inFlight && !session_->inFlight->closing &&
        session_->inFlight->state == Pending::State::Sent)
        ++s.waiting;
    return s;
}

std::string WebConnectorService::serverVersion() const {
    return kServerVersion;
}

// Any Web Connector that speaks the protocol will do.
std::string WebConnectorService::clientVersion(const std::string&) const {
    return "";
}

WebConnectorService::Session& WebConnectorService::sessionFor(const std::string& ticket, const char* method) {
    if (!session_ || session_->ticket != ticket || ticket.empty())
        throw LostTraffic(std::string(method) + ": no Web Connector session has this ticket");
    session_->lastCall = Clock::now();
    return *session_;
}

WebConnectorService::Session* WebConnectorService::current(const std::string& ticket) {
    return session_ && session_->ticket == ticket ? session_.get() : nullptr;
}

// A held call of `ticket`'s session, the current one.
HeldCall WebConnectorService::hold(const std::string& ticket) {
    return HeldCall([this, ticket]() -> HeldCalls* {
        Session* s = current(ticket);
        return s ? &s->holds : nullptr;
    }, timings_.hold);
}

// When the session is to end for want of a program; never while one has a connection open.
WebConnectorService::Clock::time_point WebConnectorService::lingerEnds() const {
    return connections_ == 0 ? idleSince_ + timings_.linger : Clock::time_point::max();
}

bool WebConnectorService::lingerOver(Clock::time_point now) const {
    return queue_.empty() && now >= lingerEnds();
}

std::shared_ptr<WebConnectorService::Pending> WebConnectorService::nextQueued() {
    if (queue_.empty()) return nullptr;
    auto p = queue_.front();
    queue_.pop_front();
    return p;
}

void WebConnectorService::fail(const std::shared_ptr<Pending>& p, const VbError& e) {
    p->state = Pending::State::Failed;
    p->error = e;
}

// QuickBooks cannot be reached this session: the requests waiting for it get that answer.
void WebConnectorService::failAll(const VbError& e) {
    ++connectionFailures_;
    lastConnectionError_ = e;
    while (auto p = nextQueued()) fail(p, e);
}

// Drops the session; a request it had out can no longer be answered.
void WebConnectorService::endSession(const char* why) {
    if (!session_) return;
    if (session_->inFlight && session_->inFlight->state == Pending::State::Sent && !session_->inFlight->closing) {
        note(noAnswerLine(session_->inFlight->request, session_->inFlight->sentAt));
        fail(session_->inFlight, answerLost());
        replacedTicket_ = session_->ticket;
        replacedRequest_ = session_->inFlight;
    }
    note(std::string("Web Connector session ended: ") + why);
    session_.reset();
    changed_.notify_all();
}

AuthenticateAnswer WebConnectorService::authenticate(const std::string& strUserName,
                                                     const std::string& strPassword,
                                                     const std::string& peer) {
    const std::string ticket = newTicket();
    const std::string from = peer.empty() ? "" : " from " + peer;
    // A wrong password is a failure the console tells of; "none" and "busy" are not.
    auto refused = [&](const char* answer, const std::string& why) -> std::vector<std::string> {
        guard_.refusedTicket(ticket, why, answer == std::string("nvu") ? closingAfterFailure() : "OK");
        return {ticket, answer};
    };
    {
        // An address still paying for a refused password is refused again unchecked: the
        // check costs this machine what it is meant to cost a guesser.
        std::lock_guard lock(mutex_);
        if (auto pause = guard_.pauseLeft(peer, Clock::now())) {
            note("authenticate" + from + " as \"" + strUserName +
                 "\": refused unchecked, too soon after a refused password");
            return {refused("nvu", toConsole("Wait a few seconds before trying another password.")), *pause};
        }
    }
    // The password check is slow by design: outside the lock, and made whatever the user
    // name, so that the time taken does not tell a known name from an unknown one. The
    // password that passed it last passes again at once.
    Credentials expected;
    {
        std::lock_guard lock(mutex_);
        expected = credentials_;
    }
    bool passwordMatches = verified_.matches(strPassword, expected.passwordHash);
    bool userMatches = !expected.userName.empty() && strUserName == expected.userName;
    std::lock_guard lock(mutex_);
    Clock::time_point now = Clock::now();
    if (!passwordMatches || !userMatches) {
        const std::chrono::milliseconds pause = guard_.refused(peer, now);
        const std::string why = refusedLoginReason(from, strUserName, expected.userName, userMatches);
        // The log line is also the status's last event, which the Web Connector's failure
        // points the bookkeeper to: it names the step as well.
        note("authenticate" + from + " as \"" + strUserName + "\": refused (" +
             (userMatches ? "wrong password): type the password set with ztl qbwc set-password into the Web "
                            "Connector's Password column"
                          : "unknown user name): add the .qwc file ztl qbwc file writes to the Web Connector "
                            "again"));
        // The program's waiting connections fail at once: waiting on would only end in the
        // same refusal.
        ++refusals_;
        lastRefusal_ = why;
        changed_.notify_all();
        return {refused("nvu", toConsole("The user name or password is not the one Zentrel expects.")), pause};
    }
    guard_.accepted(peer);
    if (stopping_) return {refused("none", "Zentrel is closing.")};
    if (session_) {
        // Busy only while a call of the old session is in progress; otherwise its client is
        // gone and it is let go. A request it took is answered by nobody now: the Web
        // Connector starts a session only once it has given up the last one.
        const Session& old = *session_;
        bool ended = old.phase == Phase::Ending || old.phase == Phase::Failed;
        if (!ended && old.holds.held > 0) {
            note("authenticate" + from + ": busy with another session");
            return {refused("busy", "Zentrel is busy with another Web Connector session.")};
        }
        endSession(ended ? "a new session followed it"
                         : "its Web Connector went away; a new session replaced it");
    }
    if (connections_ == 0) {
        journal_.noteIdle("authenticate" + from + ": nothing to do (none)");
        return {refused("none", "Zentrel has nothing to post now.")};
    }
    session_ = std::make_unique<Session>();
    session_->ticket = ticket;
    session_->lastCall = now;
    note("authenticate" + from + " as \"" + strUserName + "\": session begins");
    return {{ticket, ""}};
}

std::string WebConnectorService::sendRequestXML(const std::string& ticket,
                                                const std::string& strCompanyFileName,
                                                const std::string& strHCPResponse,
                                                const std::string& qbXMLCountry) {
    std::unique_lock lock(mutex_);
    Session& s = sessionFor(ticket, "sendRequestXML");
    if (s.phase == Phase::Connecting) {
        if (std::string why = unsupportedBy(strHCPResponse, qbXMLCountry); !why.empty()) {
            note("QuickBooks cannot take Zentrel's requests: " + why);
            failAll(VbError(kUnsupportedVersion, kBridgeSource, why));
            s.phase = Phase::Failed;
            s.lastError = toConsole(why);
            changed_.notify_all();
            return "";
        }
        s.company = strCompanyFileName;
        journal_.sawCompany(strCompanyFileName);
        s.phase = Phase::Ready;
        note("QuickBooks has " + strCompanyFileName + " open");
        changed_.notify_all();
    } else if (s.phase != Phase::Ready) {
        throw LostTraffic("sendRequestXML: out of order");
    }
    const HeldCall held = hold(ticket);
    for (;;) {
        if (!held.current()) return "";  // a newer call has taken over
        Session* cur = current(ticket);
        auto finish = [&] {
            auto closing = std::make_shared<Pending>();
            closing->request = closingRequest();
            closing->state = Pending::State::Sent;
            closing->sentAt = Clock::now();
            closing->closing = true;
            cur->inFlight = closing;
            cur->phase = Phase::Working;
            cur->lastError = kSessionDone;
            return closing->request;
        };
        if (stopping_) return finish();
        while (auto p = nextQueued()) {
            if (!p->company.empty() && !sameCompanyFile(p->company, cur->company)) {
                fail(p, companyNotOpen());
                changed_.notify_all();
                continue;
            }
            p->state = Pending::State::Sent;
            p->sentAt = Clock::now();
            cur->inFlight = p;
            cur->phase = Phase::Working;
            cur->lastCall = p->sentAt;
            changed_.notify_all();
            return p->request;
        }
        Clock::time_point now = Clock::now();
        if (lingerOver(now)) return finish();
        if (held.over(now)) {
            cur->lastError = kNoOp;
            cur->lastCall = now;
            return "";
        }
        held.wait(lock, changed_, lingerEnds());
    }
}

int WebConnectorService::receiveResponseXML(const std::string& ticket, const std::string& response,
                                            const std::string& hresult, const std::string& message) {
    std::unique_lock lock(mutex_);
    if (!ticket.empty() && ticket == replacedTicket_ && replacedRequest_) {
        note(lateAnswerLine(replacedRequest_->request, replacedRequest_->sentAt,
                            describeAnswer(response, hresult, message)));
        replacedRequest_.reset();
        throw LostTraffic("receiveResponseXML: a newer session replaced this one");
    }
    Session& s = sessionFor(ticket, "receiveResponseXML");
    if (s.phase != Phase::Working || !s.inFlight) throw LostTraffic("receiveResponseXML: no request is out");
    std::shared_ptr<Pending> p = std::move(s.inFlight);
    if (p->closing) {
        s.phase = Phase::Ending;
        return 100;
    }
    s.phase = Phase::Ready;
    s.lastError.clear();
    if (p->state == Pending::State::Sent) {
        VbError e = comErrorFrom(hresult, message);
        if (!hresult.empty() && e.number != 0) {
            fail(p, e);
        } else {
            p->state = Pending::State::Answered;
            p->response = response;
        }
    } else {
        note(lateAnswerLine(p->request, p->sentAt, describeAnswer(response, hresult, message)));
    }
    changed_.notify_all();

    const HeldCall held = hold(ticket);
    for (;;) {
        if (!held.current()) return kWorkingPercent;
        Session* cur = current(ticket);
        Clock::time_point now = Clock::now();
        if (stopping_ || lingerOver(now)) {
            cur->phase = Phase::Ending;
            return 100;
        }
        if (!queue_.empty() || held.over(now)) {
            cur->lastCall = now;
            return kWorkingPercent;
        }
        held.wait(lock, changed_, lingerEnds());
    }
}

std::string WebConnectorService::connectionError(const std::string& ticket, const std::string& hresult,
                                                 const std::string& message) {
    std::lock_guard lock(mutex_);
    Session& s = sessionFor(ticket, "connectionError");
    if (s.phase != Phase::Connecting) throw LostTraffic("connectionError: out of order");
    VbError reported = comErrorFrom(hresult, message);
    VbError e(reported.number, kBridgeSource, connectionErrorExplained(reported.number, message));
    note("the Web Connector could not reach QuickBooks: " + hresult + " " + message);
    failAll(e);
    s.phase = Phase::Failed;
    s.lastError = toConsole(message);
    changed_.notify_all();
    return "done";
}

std::string WebConnectorService::getLastError(const std::string& ticket) {
    std::lock_guard lock(mutex_);
    if (auto why = guard_.whyRefused(ticket)) return *why;
    Session& s = sessionFor(ticket, "getLastError");
    if (s.phase == Phase::Connecting || s.phase == Phase::Working)
        throw LostTraffic("getLastError: out of order");
    return s.lastError;
}

std::string WebConnectorService::closeConnection(const std::string& ticket) {
    std::lock_guard lock(mutex_);
    if (auto refused = guard_.closeRefused(ticket)) return *refused;
    const bool failed = sessionFor(ticket, "closeConnection").phase == Phase::Failed;
    endSession("the Web Connector closed it");
    return failed ? closingAfterFailure() : "OK";
}

std::string WebConnectorService::openConnection(QuickBooksWait* wait, ProgramTimeout timeout) {
    std::unique_lock lock(mutex_);
    if (stopping_) throw serviceStopped();
    ++connections_;
    changed_.notify_all();
    ProgramWait waiting(wait, changed_);
    const std::chrono::milliseconds waitFor = timeout.value_or(timings_.timeout);
    const Clock::time_point deadline = Clock::now() + waitFor;
    const std::uint64_t failuresBefore = connectionFailures_;
    const std::uint64_t refusalsBefore = refusals_;
    const std::string waitingFor = waitingForCallText(kWaitCall, waitFor, journal_.url());
    auto giveUp = [&](const VbError& e) {
        if (--connections_ == 0) idleSince_ = Clock::now();
        changed_.notify_all();
        return e;
    };
    for (;;) {
        if (session_ && (session_->phase == Phase::Ready || session_->phase == Phase::Working))
            return session_->company;
        if (connectionFailures_ != failuresBefore) throw giveUp(*lastConnectionError_);
        if (refusals_ != refusalsBefore)
            throw giveUp(
                VbError(hresult::kCouldNotStart, kBridgeSource, "Could not start QuickBooks. " + lastRefusal_));
        if (stopping_) throw giveUp(serviceStopped());
        if (Clock::now() >= deadline) {
            note("the Web Connector did not call in time");
            throw giveUp(journal_.notCalled());
        }
        if (!waiting.waitAWhile(lock, deadline, waitingFor)) {
            note("the operator cancelled the wait for the Web Connector");
            throw giveUp(waitCancelled());
        }
    }
}

void WebConnectorService::releaseConnection() {
    std::lock_guard lock(mutex_);
    if (connections_ > 0 && --connections_ == 0) idleSince_ = Clock::now();
    changed_.notify_all();
}

std::string WebConnectorService::submit(const std::string& request, const std::string& companyFile,
                                        QuickBooksWait* wait, ProgramTimeout timeout) {
    // QuickBooks' own parser refuses what XML cannot carry; it could not even be sent.
    if (!isXmlText(request))
        throw VbError(hresult::kParseError, kBridgeSource,
                      "QuickBooks found an error when parsing the provided XML text stream.");
    std::unique_lock lock(mutex_);
    if (stopping_) throw serviceStopped();
    // Checked again when it is handed out: the Web Connector may come back with another file.
    if (!companyFile.empty() && session_ && !session_->company.empty() &&
        !sameCompanyFile(companyFile, session_->company))
        throw companyNotOpen();
    auto p = std::make_shared<Pending>();
    p->request = request;
    p->company = companyFile;
    p->timeout = timeout.value_or(timings_.timeout);
    queue_.push_back(p);
    changed_.notify_all();
    ProgramWait waiting(wait, changed_);
    const Clock::time_point queuedUntil = Clock::now() + p->timeout;
    for (;;) {
        switch (p->state) {
            case Pending::State::Answered:
                return std::move(p->response);
            case Pending::State::Failed:
                throw *p->error;
            case Pending::State::Queued:
                // Not handed out: withdrawn, so it can never be posted later.
                if (stopping_ || Clock::now() >= queuedUntil) {
                    std::erase(queue_, p);
                    if (stopping_) throw serviceStopped();
                    note("the Web Connector did not come for a request in time");
                    throw journal_.notCalled();
                }
                if (!waiting.waitAWhile(lock, queuedUntil, kWaitTake) &&
                    p->state == Pending::State::Queued) {
                    std::erase(queue_, p);
                    note("the operator withdrew a request the Web Connector had not taken");
                    throw waitCancelled();
                }
                break;
            case Pending::State::Sent:
                if (Clock::now() >= p->sentAt + p->timeout) {
                    p->state = Pending::State::Abandoned;
                    note(noAnswerLine(p->request, p->sentAt));
                    throw answerLost();
                }
                // Handed out: it may be posted, so it is waited for whatever the operator says.
                waiting.waitAWhile(lock, p->sentAt + p->timeout, kWaitAnswer);
                break;
            case Pending::State::Abandoned:
                throw answerLost();
        }
    }
}

std::string WebConnectorService::companyFile() const {
    std::lock_guard lock(mutex_);
    return session_ ? session_->company : std::string();
}

void WebConnectorService::stop(std::chrono::milliseconds grace) {
    std::unique_lock lock(mutex_);
    journal_.flushIdle();
    stopping_ = true;
    changed_.notify_all();
    changed_.wait_for(lock, grace, [&] { return !session_; });
}

}  // namespace ztl::qbwc
