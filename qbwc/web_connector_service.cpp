#include "qbwc/web_connector_service.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cstdint>
#include <ctime>

#include <pugixml.hpp>

#include "platform/request_processor.h"
#include "qbwc/connection_error_causes.h"
#include "qbwc/late_answer.h"
#include "qbwc/password_hash.h"
#include "qbwc/random_id.h"
#include "qbwc/soap_response.h"

namespace ztl::qbwc {

namespace {

constexpr const char* kSource = "QBWC";
constexpr const char* kServerVersion = "Zentrel 1.0";
constexpr const char* kSessionDone = "Zentrel has nothing more to post.";
// What ends a session the clean way from a pause between requests: receiveResponseXML can
// answer 100 only to an answer, so the Web Connector is given this to answer. A read of
// one customer by a name no customer has, in the engine's qbXML 1.0: it changes nothing,
// and a refusal of it ends the session just the same.
constexpr const char* kClosingRequest =
    "<?xml version=\"1.0\" ?>\r\n<!DOCTYPE QBXML PUBLIC '-//INTUIT//DTD QBXML QBD 1.0//EN'>\r\n<QBXML>\r\n"
    "<QBXMLMsgsRq onError=\"stopOnError\">\r\n<CustomerQueryRq requestID=\"1\"><FullName>Zentrel end of "
    "session</FullName></CustomerQueryRq>\r\n</QBXMLMsgsRq>\r\n</QBXML>\r\n";
constexpr std::size_t kRefusedTicketsKept = 16;
constexpr long kUnspecifiedFailure = -2147467259;  // 0x80004005 E_FAIL
constexpr std::size_t kBackoffAddressesKept = 1024;
constexpr std::chrono::milliseconds kFirstBackoff{1000};
constexpr std::chrono::milliseconds kLongestBackoff{8000};
// How often a waiting call lets the program's window breathe.
constexpr std::chrono::milliseconds kWaitSlice{100};
constexpr const char* kWaitCall = "Waiting for the Web Connector to call";
constexpr const char* kWaitTake = "Waiting for the Web Connector to take the request";
constexpr const char* kWaitAnswer = "Waiting for QuickBooks to answer through the Web Connector";

template <class F>
struct ScopeExit {
    F f;
    ~ScopeExit() { f(); }
};
template <class F>
ScopeExit(F) -> ScopeExit<F>;

VbError couldNotAccess(const std::string& why) {
    return VbError(hresult::kCouldNotAccess, kSource, "Could not access QuickBooks. " + why);
}

VbError cancelled() {
    return VbError(
        hresult::kCouldNotStart, kSource,
        "Could not start QuickBooks. The wait for the Web Connector was cancelled; nothing was sent.");
}

std::string clockTime(std::chrono::system_clock::time_point t) {
    std::time_t tt = std::chrono::system_clock::to_time_t(t);
    std::tm local{};
    localtime_r(&tt, &local);
    char text[16];
    std::strftime(text, sizeof text, "%H:%M:%S", &local);
    return text;
}

// What QuickBooks says it can take, from the host query answer of the first
// sendRequestXML; empty when the engine's qbXML 1.0 US requests will do (or it cannot be
// told: no answer, or one without the versions).
std::string unsupportedBy(const std::string& hcp, const std::string& country) {
    std::vector<std::string> versions;
    std::string hostCountry;
    if (!hcp.empty()) {
        pugi::xml_document doc;
        if (doc.load_buffer(hcp.data(), hcp.size())) {
            pugi::xml_node host = doc.find_node(
                [](const pugi::xml_node& n) { return std::string_view(n.name()) == "HostRet"; });
            for (pugi::xml_node v : host.children("SupportedQBXMLVersion"))
                versions.emplace_back(v.child_value());
            hostCountry = host.child_value("Country");
        }
    }
    bool versionOk = versions.empty() || std::find(versions.begin(), versions.end(), "1.0") != versions.end();
    std::string c = !hostCountry.empty() ? hostCountry : country;
    bool countryOk = c.empty() || c == "US";
    if (versionOk && countryOk) return {};
    std::string has = versions.empty() ? "" : "qbXML " + versions.front() + " to " + versions.back();
    if (!c.empty()) has += (has.empty() ? "" : " ") + std::string("for the country ") + c;
    return "The version of QBXML that was requested is not supported or is unknown. This QuickBooks takes " +
           has + "; Zentrel's requests are qbXML 1.0 for a US QuickBooks.";
}

VbError companyNotOpen() {
    return VbError(hresult::kCompanyNotOpen, kSource,
                   "The QuickBooks company data file is not the one currently open in QuickBooks.");
}

// A request handed out whose answer never came: QuickBooks may or may not have posted it.
VbError answerLost() {
    return couldNotAccess(
        "The Web Connector took the request but returned no answer; look in QuickBooks whether the entry "
        "was posted before importing it again.");
}

}  // namespace

struct WebConnectorService::Pending {
    enum class State { Queued, Sent, Answered, Failed, Abandoned };
    std::string request;
    std::string company;
    State state = State::Queued;
    bool closing = false;  // the session's closing request: nobody waits for its answer
    Clock::time_point sentAt{};
    std::string response;
    std::optional<VbError> error;
};

namespace {
// When a request was handed out, as the operator's clock shows it.
template <class P>
std::string sentAtOf(const P& p) {
    return clockTime(std::chrono::system_clock::now() -
                     std::chrono::duration_cast<std::chrono::system_clock::duration>(
                         std::chrono::steady_clock::now() - p.sentAt));
}
}  // namespace

struct WebConnectorService::Session {
    std::string ticket;
    Phase phase = Phase::Connecting;
    std::string company;
    std::shared_ptr<Pending> inFlight;
    std::string lastError;    // what getLastError answers
    std::uint64_t calls = 0;  // a held call gives way when a newer one comes
    int held = 0;             // calls now held
    Clock::time_point lastCall{};
};

bool sameCompanyFile(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        auto fold = [](char c) {
            return c == '/' ? '\\' : static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        };
        if (fold(a[i]) != fold(b[i])) return false;
    }
    return true;
}

VbError comErrorFrom(const std::string& hresult, const std::string& message) {
    std::string_view digits = hresult;
    while (!digits.empty() && std::isspace(static_cast<unsigned char>(digits.front())))
        digits.remove_prefix(1);
    while (!digits.empty() && std::isspace(static_cast<unsigned char>(digits.back())))
        digits.remove_suffix(1);
    long number = kUnspecifiedFailure;
    const char* end = digits.data() + digits.size();
    if (digits.starts_with("-")) {
        // A signed decimal, as a VB client would write it.
        std::int32_t value = 0;
        auto [stop, ec] = std::from_chars(digits.data(), end, value);
        if (ec == std::errc() && stop == end) number = value;
    } else {
        // The Web Connector writes HRESULTs in hex, "0x80040400".
        if (digits.starts_with("0x") || digits.starts_with("0X")) digits.remove_prefix(2);
        std::uint32_t value = 0;
        auto [stop, ec] = std::from_chars(digits.data(), end, value, 16);
        if (!digits.empty() && ec == std::errc() && stop == end) number = static_cast<std::int32_t>(value);
    }
    return VbError(number, kSource, message);
}

WebConnectorService::WebConnectorService(Credentials credentials, ServiceTimings timings, NoteSink note)
    : credentials_(std::move(credentials)), timings_(timings), note_(std::move(note)) {}

WebConnectorService::~WebConnectorService() = default;

void WebConnectorService::note(const std::string& text) const {
    flushIdle();
    idleCalls_ = 0;
    record(text);
}

void WebConnectorService::record(const std::string& text) const {
    lastEvent_ = text;
    lastEventAt_ = std::chrono::system_clock::now();
    if (note_) note_(text);
}

// An idle Web Connector calls every few seconds all day: the first idle session after
// anything else is logged as it is, the next ones are counted and logged as one line when
// something else happens, or every hour.
void WebConnectorService::noteIdle(const std::string& text) {
    auto now = std::chrono::system_clock::now();
    if (idleCalls_++ == 0) {
        flushIdle();
        idleCallsSince_ = now;
        record(text);
        return;
    }
    if (idleUnlogged_++ == 0) idleUnloggedSince_ = now;
    lastEvent_ = text;
    lastEventAt_ = now;
    if (now - idleUnloggedSince_ >= std::chrono::hours(1)) flushIdle();
}

void WebConnectorService::flushIdle() const {
    if (idleUnlogged_ > 0 && note_)
        note_(std::to_string(idleUnlogged_) + " idle call" + (idleUnlogged_ == 1 ? "" : "s") + " since " +
              clockTime(idleUnloggedSince_).substr(0, 5) + ": the Web Connector asked, nothing was to be posted");
    idleUnlogged_ = 0;
}

void WebConnectorService::heard() {
    std::lock_guard lock(mutex_);
    lastHeard_ = std::chrono::system_clock::now();
    everHeard_ = true;
}

void WebConnectorService::setUrl(std::string url) {
    std::lock_guard lock(mutex_);
    url_ = std::move(url);
}

void WebConnectorService::reload(Credentials credentials, std::chrono::milliseconds timeout) {
    std::lock_guard lock(mutex_);
    credentials_ = std::move(credentials);
    timings_.timeout = timeout;
    // A password refused before may be the one just set: no address waits for its pause.
    backoff_.clear();
}

void WebConnectorService::announce(const std::string& text) {
    std::lock_guard lock(mutex_);
    note(text);
}

ServiceStatus WebConnectorService::status() const {
    std::lock_guard lock(mutex_);
    ServiceStatus s;
    s.url = url_;
    s.startedAt = startedAt_;
    s.everHeard = everHeard_;
    s.lastHeard = lastHeard_;
    s.lastEvent = lastEvent_;
    s.lastEventAt = lastEventAt_;
    s.company = lastCompany_;
    s.sessionOpen = session_ != nullptr;
    s.programs = connections_;
    s.waiting = queue_.size();
    if (session_ && session_->inFlight && !session_->inFlight->closing &&
        session_->inFlight->state == Pending::State::Sent)
        ++s.waiting;
    s.idleCalls = idleCalls_;
    s.idleSince = idleCallsSince_;
    return s;
}

// What a window or ztl shows while it waits for the Web Connector to call: the first line
// is the one kept up to date with the seconds, the rest says how long and what to do.
std::string WebConnectorService::waitText(const char* what) const {
    auto seconds = std::chrono::duration_cast<std::chrono::seconds>(timings_.timeout).count();
    std::string text = std::string(what) + "\nZentrel waits up to " + std::to_string(seconds) +
                       " s. On the bookkeeper's PC, in the QuickBooks Web Connector: tick Korvane Zentrel "
                       "and click Update Selected (with Auto-Run on it calls by itself).";
    if (!url_.empty()) text += " It calls " + url_ + ".";
    return text;
}

VbError WebConnectorService::notCalled() const {
    std::string since = everHeard_ ? clockTime(lastHeard_) : clockTime(lastHeard_) + " (when Zentrel began to wait)";
    std::string reach = url_.empty() ? "Zentrel's address" : url_;
    return VbError(hresult::kCouldNotStart, kSource,
                   "Could not start QuickBooks. The Web Connector has not called since " + since +
                       ". On the bookkeeper's PC: is the Web Connector running, is Auto-Run on, is the PC "
                       "awake? Click Update Selected there. The Web Connector must reach " +
                       reach + " (the URL of the .qwc file).");
}

// A refused authenticate fails the program's waiting connections at once: waiting on
// would only end in the same refusal.
void WebConnectorService::refuse(const std::string& why) {
    ++refusals_;
    lastRefusal_ = why;
    changed_.notify_all();
}

bool WebConnectorService::waitAWhile(std::unique_lock<std::mutex>& lock, Clock::time_point until,
                                     QuickBooksWait* wait, const std::string& what, Clock::time_point since) {
    if (!wait) {
        changed_.wait_until(lock, until);
        return true;
    }
    changed_.wait_until(lock, std::min(until, Clock::now() + kWaitSlice));
    lock.unlock();
    bool goOn =
        wait->waiting(what, std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - since));
    lock.lock();
    return goOn;
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

bool WebConnectorService::lingerOver(Clock::time_point now) const {
    return connections_ == 0 && queue_.empty() && now >= idleSince_ + timings_.linger;
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

// Drops the session; a request it had out can no longer be answered.
void WebConnectorService::endSession(const char* why) {
    if (!session_) return;
    if (session_->inFlight && session_->inFlight->state == Pending::State::Sent && !session_->inFlight->closing) {
        note("no answer came for " + describeRequest(session_->inFlight->request) + ", handed out at " +
             sentAtOf(*session_->inFlight) + "; its entry may or may not be in QuickBooks");
        fail(session_->inFlight, answerLost());
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
    auto refused = [&](const char* answer, const std::string& why) -> std::vector<std::string> {
        refusedTickets_[ticket] = why;
        refusedOrder_.push_back(ticket);
        if (refusedOrder_.size() > kRefusedTicketsKept) {
            refusedTickets_.erase(refusedOrder_.front());
            refusedOrder_.pop_front();
        }
        return {ticket, answer};
    };
    {
        // An address still paying for a refused password is refused again unchecked: the
        // check costs this machine what it is meant to cost a guesser.
        std::lock_guard lock(mutex_);
        auto b = backoff_.find(peer);
        Clock::time_point now = Clock::now();
        if (b != backoff_.end() && now < b->second.until) {
            note("authenticate" + from + " as \"" + strUserName +
                 "\": refused unchecked, too soon after a refused password");
            return {refused("nvu", "Wait a few seconds before trying another password."),
                    std::chrono::duration_cast<std::chrono::milliseconds>(b->second.until - now)};
        }
    }
    // The password check is slow by design: outside the lock, and made whatever the user
    // name, so that the time taken does not tell a known name from an unknown one.
    Credentials expected;
    {
        std::lock_guard lock(mutex_);
        expected = credentials_;
    }
    bool passwordMatches = verifyPassword(strPassword, expected.passwordHash);
    bool userMatches = !expected.userName.empty() && strUserName == expected.userName;
    std::lock_guard lock(mutex_);
    Clock::time_point now = Clock::now();
    if (!passwordMatches || !userMatches) {
        if (backoff_.size() >= kBackoffAddressesKept && !backoff_.count(peer)) backoff_.clear();
        Backoff& b = backoff_[peer];
        ++b.failures;
        auto pause = kFirstBackoff * (1 << std::min(b.failures - 1, 3));
        b.until = now + std::min<std::chrono::milliseconds>(pause, kLongestBackoff);
        std::string why =
            !userMatches
                ? "The Web Connector called" + from + " as the user \"" + strUserName + "\", not \"" +
                      expected.userName +
                      "\" of the .qwc file; add the file ztl qbwc file writes to the Web Connector again."
                : "The Web Connector called" + from +
                      ", but the Web Connector's password is not the one set with `ztl qbwc set-password`; "
                      "type "
                      "that password into its Password column.";
        note("authenticate" + from + " as \"" + strUserName + "\": refused (" +
             (userMatches ? "wrong password" : "unknown user name") + ")");
        refuse(why);
        return {refused("nvu", "The user name or password is not the one Zentrel expects."),
                std::chrono::duration_cast<std::chrono::milliseconds>(b.until - now)};
    }
    backoff_.erase(peer);
    if (stopping_) return {refused("none", "Zentrel is closing.")};
    if (session_) {
        // Busy only while a call of the old session is in progress, or the request it took
        // may still be answered; otherwise its client is gone and it is let go.
        const Session& old = *session_;
        bool ended = old.phase == Phase::Ending || old.phase == Phase::Failed;
        bool answerDue = old.phase == Phase::Working && old.inFlight && !old.inFlight->closing &&
                         old.inFlight->state == Pending::State::Sent &&
                         now - old.inFlight->sentAt < timings_.timeout;
        if (!ended && (old.held > 0 || answerDue)) {
            note("authenticate" + from + ": busy with another session");
            return {refused("busy", "Zentrel is busy with another Web Connector session.")};
        }
        endSession(ended ? "a new session followed it"
                         : "its Web Connector went away; a new session replaced it");
    }
    if (connections_ == 0) {
        noteIdle("authenticate" + from + ": nothing to do (none)");
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
            VbError e(kUnsupportedVersion, kSource, why);
            ++connectionFailures_;
            lastConnectionError_ = e;
            while (auto p = nextQueued()) fail(p, e);
            s.phase = Phase::Failed;
            s.lastError = why;
            changed_.notify_all();
            return "";
        }
        s.company = strCompanyFileName;
        lastCompany_ = strCompanyFileName;
        s.phase = Phase::Ready;
        note("QuickBooks has " + strCompanyFileName + " open");
        changed_.notify_all();
    } else if (s.phase != Phase::Ready) {
        throw LostTraffic("sendRequestXML: out of order");
    }
    const std::uint64_t call = ++s.calls;
    const Clock::time_point holdUntil = Clock::now() + timings_.hold;
    ++s.held;
    ScopeExit unhold{[&] {
        if (Session* c = current(ticket)) --c->held;
    }};
    for (;;) {
        Session* cur = current(ticket);
        if (!cur || cur->calls != call) return "";  // a newer call has taken over
        auto finish = [&] {
            auto closing = std::make_shared<Pending>();
            closing->request = kClosingRequest;
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
                fail(p, VbError(
                            hresult::kCompanyNotOpen, kSource,
                            "The QuickBooks company data file is not the one currently open in QuickBooks."));
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
        if (now >= holdUntil) {
            cur->lastError = kNoOp;
            cur->lastCall = now;
            return "";
        }
        Clock::time_point wake = holdUntil;
        if (connections_ == 0) wake = std::min(wake, idleSince_ + timings_.linger);
        changed_.wait_until(lock, wake);
    }
}

int WebConnectorService::receiveResponseXML(const std::string& ticket, const std::string& response,
                                            const std::string& hresult, const std::string& message) {
    std::unique_lock lock(mutex_);
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
        note("a late answer came for " + describeRequest(p->request) + ", handed out at " + sentAtOf(*p) +
             ", after the program had stopped waiting for it: " + describeAnswer(response, hresult, message));
    }
    changed_.notify_all();

    const std::uint64_t call = ++s.calls;
    const Clock::time_point holdUntil = Clock::now() + timings_.hold;
    ++s.held;
    ScopeExit unhold{[&] {
        if (Session* c = current(ticket)) --c->held;
    }};
    for (;;) {
        Session* cur = current(ticket);
        if (!cur || cur->calls != call) return kWorkingPercent;
        Clock::time_point now = Clock::now();
        if (stopping_ || lingerOver(now)) {
            cur->phase = Phase::Ending;
            return 100;
        }
        if (!queue_.empty() || now >= holdUntil) {
            cur->lastCall = now;
            return kWorkingPercent;
        }
        Clock::time_point wake = holdUntil;
        if (connections_ == 0) wake = std::min(wake, idleSince_ + timings_.linger);
        changed_.wait_until(lock, wake);
    }
}

std::string WebConnectorService::connectionError(const std::string& ticket, const std::string& hresult,
                                                 const std::string& message) {
    std::lock_guard lock(mutex_);
    Session& s = sessionFor(ticket, "connectionError");
    if (s.phase != Phase::Connecting) throw LostTraffic("connectionError: out of order");
    VbError reported = comErrorFrom(hresult, message);
    VbError e(reported.number, kSource, connectionErrorExplained(reported.number, message));
    note("the Web Connector could not reach QuickBooks: " + hresult + " " + message);
    ++connectionFailures_;
    lastConnectionError_ = e;
    // The requests waiting for QuickBooks get its answer: it cannot be reached.
    while (auto p = nextQueued()) fail(p, e);
    s.phase = Phase::Failed;
    s.lastError = message;
    changed_.notify_all();
    return "done";
}

std::string WebConnectorService::getLastError(const std::string& ticket) {
    std::lock_guard lock(mutex_);
    if (auto it = refusedTickets_.find(ticket); it != refusedTickets_.end()) return it->second;
    Session& s = sessionFor(ticket, "getLastError");
    if (s.phase == Phase::Connecting || s.phase == Phase::Working)
        throw LostTraffic("getLastError: out of order");
    return s.lastError;
}

std::string WebConnectorService::closeConnection(const std::string& ticket) {
    std::lock_guard lock(mutex_);
    if (auto it = refusedTickets_.find(ticket); it != refusedTickets_.end()) {
        std::erase(refusedOrder_, ticket);
        refusedTickets_.erase(it);
        return "OK";
    }
    sessionFor(ticket, "closeConnection");
    endSession("the Web Connector closed it");
    return "OK";
}

std::string WebConnectorService::openConnection(QuickBooksWait* wait) {
    std::unique_lock lock(mutex_);
    if (stopping_) throw couldNotAccess("The Web Connector service has stopped.");
    ++connections_;
    changed_.notify_all();
    const Clock::time_point since = Clock::now();
    const Clock::time_point deadline = since + timings_.timeout;
    const std::uint64_t failuresBefore = connectionFailures_;
    const std::uint64_t refusalsBefore = refusals_;
    const std::string waitingFor = waitText(kWaitCall);
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
                VbError(hresult::kCouldNotStart, kSource, "Could not start QuickBooks. " + lastRefusal_));
        if (stopping_) throw giveUp(couldNotAccess("The Web Connector service has stopped."));
        if (Clock::now() >= deadline) {
            note("the Web Connector did not call in time");
            throw giveUp(notCalled());
        }
        if (!waitAWhile(lock, deadline, wait, waitingFor, since)) {
            note("the operator cancelled the wait for the Web Connector");
            throw giveUp(cancelled());
        }
    }
}

void WebConnectorService::releaseConnection() {
    std::lock_guard lock(mutex_);
    if (connections_ > 0 && --connections_ == 0) idleSince_ = Clock::now();
    changed_.notify_all();
}

std::string WebConnectorService::submit(const std::string& request, const std::string& companyFile,
                                        QuickBooksWait* wait) {
    // QuickBooks' own parser refuses what XML cannot carry; it could not even be sent.
    if (!isXmlText(request))
        throw VbError(hresult::kParseError, kSource,
                      "QuickBooks found an error when parsing the provided XML text stream.");
    std::unique_lock lock(mutex_);
    if (stopping_) throw couldNotAccess("The Web Connector service has stopped.");
    // Checked again when it is handed out: the Web Connector may come back with another file.
    if (!companyFile.empty() && session_ && !session_->company.empty() &&
        !sameCompanyFile(companyFile, session_->company))
        throw companyNotOpen();
    auto p = std::make_shared<Pending>();
    p->request = request;
    p->company = companyFile;
    queue_.push_back(p);
    changed_.notify_all();
    const Clock::time_point since = Clock::now();
    const Clock::time_point queuedUntil = since + timings_.timeout;
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
                    if (stopping_) throw couldNotAccess("The Web Connector service has stopped.");
                    note("the Web Connector did not come for a request in time");
                    throw notCalled();
                }
                if (!waitAWhile(lock, queuedUntil, wait, kWaitTake, since) &&
                    p->state == Pending::State::Queued) {
                    std::erase(queue_, p);
                    note("the operator withdrew a request the Web Connector had not taken");
                    throw cancelled();
                }
                break;
            case Pending::State::Sent:
                if (Clock::now() >= p->sentAt + timings_.timeout) {
                    p->state = Pending::State::Abandoned;
                    note("no answer came for " + describeRequest(p->request) + ", handed out at " +
                         sentAtOf(*p) + "; its entry may or may not be in QuickBooks");
                    throw answerLost();
                }
                // Handed out: it may be posted, so it is waited for whatever the operator says.
                waitAWhile(lock, p->sentAt + timings_.timeout, wait, kWaitAnswer, since);
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
    flushIdle();
    stopping_ = true;
    changed_.notify_all();
    changed_.wait_for(lock, grace, [&] { return !session_; });
}

}  // namespace ztl::qbwc
