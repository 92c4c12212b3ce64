#include "qbwc/web_connector_service.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cstdint>

#include "platform/request_processor.h"
#include "qbwc/password_hash.h"
#include "qbwc/random_id.h"
#include "qbwc/soap_response.h"

namespace ztl::qbwc {

namespace {

constexpr const char* kSource = "QBWC";
constexpr const char* kServerVersion = "Zentrel 1.0";
constexpr const char* kSessionDone = "Zentrel has nothing more to post.";
constexpr std::size_t kRefusedTicketsKept = 16;
constexpr long kUnspecifiedFailure = -2147467259;  // 0x80004005 E_FAIL

template <class F>
struct ScopeExit {
    F f;
    ~ScopeExit() { f(); }
};
template <class F>
ScopeExit(F) -> ScopeExit<F>;

VbError couldNotStart() {
    return VbError(hresult::kCouldNotStart, kSource, "Could not start QuickBooks.");
}

VbError couldNotAccess(const std::string& why) {
    return VbError(hresult::kCouldNotAccess, kSource, "Could not access QuickBooks. " + why);
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
    if (note_) note_(text);
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
    if (session_->inFlight && session_->inFlight->state == Pending::State::Sent)
        fail(session_->inFlight, answerLost());
    note(std::string("Web Connector session ended: ") + why);
    session_.reset();
    changed_.notify_all();
}

std::vector<std::string> WebConnectorService::authenticate(const std::string& strUserName,
                                                           const std::string& strPassword) {
    // The password check is slow by design: outside the lock, and made whatever the user
    // name, so that the time taken does not tell a known name from an unknown one.
    bool passwordMatches = verifyPassword(strPassword, credentials_.passwordHash);
    bool valid = passwordMatches && !credentials_.userName.empty() && strUserName == credentials_.userName;
    std::string ticket = newTicket();
    std::lock_guard lock(mutex_);
    auto refuse = [&](const char* answer, const std::string& why) -> std::vector<std::string> {
        refusedTickets_[ticket] = why;
        refusedOrder_.push_back(ticket);
        if (refusedOrder_.size() > kRefusedTicketsKept) {
            refusedTickets_.erase(refusedOrder_.front());
            refusedOrder_.pop_front();
        }
        note("authenticate \"" + strUserName + "\": " + answer);
        return {ticket, answer};
    };
    if (!valid) return refuse("nvu", "The user name or password is not the one Zentrel expects.");
    if (stopping_) return refuse("none", "Zentrel is closing.");
    Clock::time_point now = Clock::now();
    if (session_) {
        bool live = session_->phase != Phase::Ending && session_->phase != Phase::Failed &&
                    (session_->held > 0 || now - session_->lastCall < timings_.timeout);
        if (live) return refuse("busy", "Zentrel is busy with another Web Connector session.");
        endSession("a new session replaced it");
    }
    if (connections_ == 0) return refuse("none", "Zentrel has nothing to post now.");
    session_ = std::make_unique<Session>();
    session_->ticket = ticket;
    session_->lastCall = now;
    note("authenticate \"" + strUserName + "\": session begins");
    return {ticket, ""};
}

std::string WebConnectorService::sendRequestXML(const std::string& ticket,
                                                const std::string& strCompanyFileName) {
    std::unique_lock lock(mutex_);
    Session& s = sessionFor(ticket, "sendRequestXML");
    if (s.phase == Phase::Connecting) {
        s.company = strCompanyFileName;
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
            cur->phase = Phase::Ending;
            cur->lastError = kSessionDone;
            return std::string();
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
        note("an answer came after the program had stopped waiting for it");
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
    VbError e = comErrorFrom(hresult, message);
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

std::string WebConnectorService::openConnection() {
    std::unique_lock lock(mutex_);
    if (stopping_) throw couldNotAccess("The Web Connector service has stopped.");
    ++connections_;
    changed_.notify_all();
    const Clock::time_point deadline = Clock::now() + timings_.timeout;
    const std::uint64_t failuresBefore = connectionFailures_;
    auto giveUp = [&](const VbError& e) {
        if (--connections_ == 0) idleSince_ = Clock::now();
        changed_.notify_all();
        return e;
    };
    for (;;) {
        if (session_ && (session_->phase == Phase::Ready || session_->phase == Phase::Working))
            return session_->company;
        if (connectionFailures_ != failuresBefore) throw giveUp(*lastConnectionError_);
        if (stopping_) throw giveUp(couldNotAccess("The Web Connector service has stopped."));
        if (Clock::now() >= deadline) {
            note("the Web Connector did not call in time");
            throw giveUp(couldNotStart());
        }
        changed_.wait_until(lock, deadline);
    }
}

void WebConnectorService::releaseConnection() {
    std::lock_guard lock(mutex_);
    if (connections_ > 0 && --connections_ == 0) idleSince_ = Clock::now();
    changed_.notify_all();
}

std::string WebConnectorService::submit(const std::string& request, const std::string& companyFile) {
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
    const Clock::time_point queuedUntil = Clock::now() + timings_.timeout;
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
                    throw couldNotStart();
                }
                changed_.wait_until(lock, queuedUntil);
                break;
            case Pending::State::Sent:
                if (Clock::now() >= p->sentAt + timings_.timeout) {
                    p->state = Pending::State::Abandoned;
                    throw answerLost();
                }
                changed_.wait_until(lock, p->sentAt + timings_.timeout);
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
    stopping_ = true;
    changed_.notify_all();
    changed_.wait_for(lock, grace, [&] { return !session_; });
}

}  // namespace ztl::qbwc
