// The SDK's ticket rules, as every request processor keeps them.
#include "platform/session_tickets.h"

#include <gtest/gtest.h>

#include "tests/support/vb_error_number.h"

using namespace ztl;

TEST(SessionTickets, ATicketNamesOneSessionOfAnOpenConnectionUntilItsEndOrTheConnections) {
    int made = 0;
    SessionTickets<std::string> sessions([&] { return "ticket " + std::to_string(++made); }, "test");
    TicketRefusal why;
    EXPECT_EQ(sessions.session("ticket 1", why), nullptr);
    EXPECT_EQ(why, TicketRefusal::NotConnected);
    EXPECT_EQ(testsupport::vbErrorNumber([&] { sessions.requireConnection(); }), hresult::kCouldNotAccess);

    sessions.connect();
    std::string a = sessions.begin("A.qbw");
    std::string b = sessions.begin("B.qbw");
    EXPECT_NE(a, b);
    EXPECT_EQ(sessions.sessionOrThrow(a), "A.qbw");
    EXPECT_EQ(sessions.sessionOrThrow(b), "B.qbw");
    EXPECT_EQ(sessions.session("no such ticket", why), nullptr);
    EXPECT_EQ(why, TicketRefusal::NoSuchSession);

    sessions.end(a);
    try {
        sessions.sessionOrThrow(a);
        ADD_FAILURE() << "an ended session's ticket";
    } catch (const VbError& e) {
        EXPECT_EQ(e.number, hresult::kInvalidTicket);
        EXPECT_EQ(e.source, "test");
        EXPECT_EQ(e.description, "The ticket parameter is invalid");
    }
    EXPECT_EQ(sessions.sessionOrThrow(b), "B.qbw") << "the other session goes on";

    sessions.disconnect();
    EXPECT_EQ(testsupport::vbErrorNumber([&] { sessions.sessionOrThrow(b); }), hresult::kCouldNotAccess);
    sessions.connect();
    EXPECT_EQ(testsupport::vbErrorNumber([&] { sessions.sessionOrThrow(b); }), hresult::kInvalidTicket)
        << "a closed connection ended every session";
}
