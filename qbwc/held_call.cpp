#include "qbwc/held_call.h"

#include <algorithm>

namespace ztl::qbwc {

HeldCall::HeldCall(Seat seat, std::chrono::milliseconds hold)
    : seat_(std::move(seat)), until_(Clock::now() + hold) {
    HeldCalls* c = seat_();
    number_ = ++c->calls;
    ++c->held;
}

HeldCall::~HeldCall() {
    if (HeldCalls* c = seat_()) --c->held;
}

bool HeldCall::current() const {
    HeldCalls* c = seat_();
    return c && c->calls == number_;
}

void HeldCall::wait(std::unique_lock<std::mutex>& lock, std::condition_variable& changed,
                    Clock::time_point sooner) const {
    changed.wait_until(lock, std::min(until_, sooner));
}

}  // namespace ztl::qbwc
