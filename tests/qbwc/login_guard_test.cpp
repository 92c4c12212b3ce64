// The login guard on its own: what a guesser pays per address, how long the table of
// addresses may grow, and which refused tickets getLastError can still explain.
#include "qbwc/login_guard.h"

#include <gtest/gtest.h>

using namespace ztl::qbwc;
using namespace std::chrono_literals;

namespace {
const LoginGuard::Clock::time_point t0 = LoginGuard::Clock::now();
}  // namespace

TEST(LoginGuard, APausePerAddressDoublesFromOneSecondToEightAndEndsWithAnAcceptedPassword) {
    LoginGuard guard;
    EXPECT_FALSE(guard.pauseLeft("198.51.100.7", t0));
    std::vector<std::chrono::milliseconds> pauses;
    for (int i = 0; i < 5; ++i) pauses.push_back(guard.refused("198.51.100.7", t0));
    EXPECT_EQ(pauses, (std::vector<std::chrono::milliseconds>{1s, 2s, 4s, 8s, 8s}));
    EXPECT_EQ(guard.pauseLeft("198.51.100.7", t0 + 3s), 5s);
    EXPECT_FALSE(guard.pauseLeft("198.51.100.7", t0 + 8s)) << "paid";
    EXPECT_FALSE(guard.pauseLeft("198.51.100.8", t0)) << "another address is not held up";

    // Paid but not forgotten: the next refusal costs the longest pause again.
    EXPECT_EQ(guard.refused("198.51.100.7", t0 + 9s), 8s);
    guard.accepted("198.51.100.7");
    EXPECT_FALSE(guard.pauseLeft("198.51.100.7", t0 + 9s));
    EXPECT_EQ(guard.refused("198.51.100.7", t0 + 9s), 1s) << "an accepted password starts afresh";

    guard.refused("198.51.100.9", t0);
    guard.forgiveAll();
    EXPECT_FALSE(guard.pauseLeft("198.51.100.7", t0 + 9s));
    EXPECT_FALSE(guard.pauseLeft("198.51.100.9", t0));
}

TEST(LoginGuard, AFloodOfNewAddressesEmptiesTheTableButAKnownAddressKeepsItsCount) {
    LoginGuard guard;
    for (std::size_t i = 0; i < LoginGuard::kAddressesKept; ++i) guard.refused("a" + std::to_string(i), t0);
    guard.refused("a0", t0);
    EXPECT_EQ(guard.pauseLeft("a0", t0), 2s) << "an address already kept does not empty a full table";
    EXPECT_EQ(guard.pauseLeft("a1023", t0), 1s);
    guard.refused("one too many", t0);
    EXPECT_FALSE(guard.pauseLeft("a0", t0));
    EXPECT_FALSE(guard.pauseLeft("a1023", t0));
    EXPECT_EQ(guard.pauseLeft("one too many", t0), 1s);
}

TEST(LoginGuard, RefusedTicketsAreExplainedUntilClosedOrCrowdedOutByNewerOnes) {
    LoginGuard guard;
    for (std::size_t i = 0; i <= LoginGuard::kRefusedTicketsKept; ++i)
        guard.refusedTicket("t" + std::to_string(i), "why " + std::to_string(i));
    EXPECT_FALSE(guard.whyRefused("t0")) << "the oldest gives way";
    EXPECT_EQ(guard.whyRefused("t1"), "why 1");
    EXPECT_EQ(guard.whyRefused("t16"), "why 16");
    EXPECT_FALSE(guard.whyRefused("a session's ticket"));

    EXPECT_TRUE(guard.closeRefused("t5"));
    EXPECT_FALSE(guard.whyRefused("t5"));
    EXPECT_FALSE(guard.closeRefused("t5")) << "closed once";
    // A closed ticket leaves room for one more before the oldest gives way.
    guard.refusedTicket("t17", "why 17");
    EXPECT_EQ(guard.whyRefused("t1"), "why 1");
    guard.refusedTicket("t18", "why 18");
    EXPECT_FALSE(guard.whyRefused("t1"));
    EXPECT_EQ(guard.whyRefused("t2"), "why 2");
}
