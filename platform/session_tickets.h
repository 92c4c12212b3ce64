#pragma once
// The SDK's rules for the tickets of one request processor, whatever QuickBooks is behind
// it: BeginSession needs an open connection and hands out a ticket; a call with a ticket
// needs the connection still open and a session that has the ticket; EndSession ends the
// one session, CloseConnection every one of them.
//
// Each processor keeps what its sessions need (`Session`), makes tickets its own way, and
// says what a broken rule costs: `session` answers why a ticket is refused, and
// `sessionOrThrow` throws the SDK's own error for it.
#include <functional>
#include <map>
#include <string>
#include <utility>

#include "platform/request_processor.h"
#include "platform/vb_error.h"

namespace ztl {

enum class TicketRefusal { None, NotConnected, NoSuchSession };

template <class Session>
class SessionTickets {
  public:
    using TicketMaker = std::function<std::string()>;

    // `source` names the processor in the errors sessionOrThrow throws.
    SessionTickets(TicketMaker newTicket, std::string source)
        : newTicket_(std::move(newTicket)), source_(std::move(source)) {}

    bool connected() const { return connected_; }
    void connect() { connected_ = true; }
    // The connection closed: no ticket names a session any more.
    void disconnect() {
        connected_ = false;
        sessions_.clear();
    }

    // A new session on the open connection; its ticket.
    std::string begin(Session session) {
        std::string ticket = newTicket_();
        sessions_.emplace(ticket, std::move(session));
        return ticket;
    }
    void end(const std::string& ticket) { sessions_.erase(ticket); }

    // The session `ticket` names; null and why when the rules refuse it.
    Session* session(const std::string& ticket, TicketRefusal& why) {
        why = !connected_ ? TicketRefusal::NotConnected : TicketRefusal::None;
        if (!connected_) return nullptr;
        auto it = sessions_.find(ticket);
        if (it == sessions_.end()) why = TicketRefusal::NoSuchSession;
        return it == sessions_.end() ? nullptr : &it->second;
    }

    // The connection is open, or 0x80040401 "Could not access QuickBooks." is thrown.
    void requireConnection() const {
        if (!connected_) throw refusal(TicketRefusal::NotConnected);
    }
    // The session `ticket` names, or the SDK's error: 0x80040401 on a closed connection,
    // 0x8004040D for a ticket no session has.
    Session& sessionOrThrow(const std::string& ticket) {
        TicketRefusal why;
        if (Session* s = session(ticket, why)) return *s;
        throw refusal(why);
    }

  private:
    VbError refusal(TicketRefusal why) const {
        if (why == TicketRefusal::NotConnected)
            return VbError(hresult::kCouldNotAccess, source_, "Could not access QuickBooks.");
        return VbError(hresult::kInvalidTicket, source_, "The ticket parameter is invalid");
    }

    TicketMaker newTicket_;
    std::string source_;
    bool connected_ = false;
    std::map<std::string, Session> sessions_;
};

}  // namespace ztl
