// A held call on its own: which call speaks for its session, what it counts, and when its
// wait ends.
#include "qbwc/held_call.h"

#include <gtest/gtest.h>

#include <thread>

using namespace ztl::qbwc;
using namespace std::chrono_literals;

TEST(HeldCall, TheNewestCallSpeaksForTheSessionAndEachCountsItselfHeldWhileItLives) {
    HeldCalls session;
    HeldCalls* seat = &session;
    auto where = [&] { return seat; };
    {
        HeldCall first(where, 1s);
        EXPECT_TRUE(first.current());
        EXPECT_EQ(session.held, 1);
        {
            HeldCall second(where, 1s);
            EXPECT_FALSE(first.current()) << "the Web Connector gave up on the first";
            EXPECT_TRUE(second.current());
            EXPECT_EQ(session.held, 2);
        }
        EXPECT_EQ(session.held, 1);
        EXPECT_FALSE(first.current()) << "a newer call came, even if it has ended";

        // The session ends under the held call: it speaks for nothing and lets go of nothing.
        seat = nullptr;
        EXPECT_FALSE(first.current());
    }
    EXPECT_EQ(session.held, 1);
    EXPECT_EQ(session.calls, 2u);
}

TEST(HeldCall, AWaitEndsWhenSignalledWhenTheHoldRunsOutOrAtTheSoonerTime) {
    std::mutex mutex;
    std::condition_variable changed;
    HeldCalls session;
    std::unique_lock lock(mutex);
    HeldCall held([&] { return &session; }, 300ms);
    auto start = HeldCall::Clock::now();
    EXPECT_FALSE(held.over(start));

    held.wait(lock, changed, start + 50ms);
    auto waited = HeldCall::Clock::now() - start;
    EXPECT_GE(waited, 50ms);
    EXPECT_LT(waited, 250ms) << "the sooner time ends it";

    std::thread signaller([&] {
        std::this_thread::sleep_for(30ms);
        std::lock_guard l(mutex);
        changed.notify_all();
    });
    auto before = HeldCall::Clock::now();
    held.wait(lock, changed);
    EXPECT_LT(HeldCall::Clock::now() - before, 250ms) << "a change wakes it";
    signaller.join();

    while (!held.over(HeldCall::Clock::now())) held.wait(lock, changed);
    EXPECT_GE(HeldCall::Clock::now() - start, 300ms);
    EXPECT_LT(HeldCall::Clock::now() - start, 2s) << "the hold's end ends the wait";
}
