#pragma once
// A call of the Web Connector held open while the service has nothing to say yet:
// sendRequestXML until a request comes, receiveResponseXML until the next one may. Holding
// it keeps the session without a round trip every few seconds; the hold ends well before
// the client's HTTP time-out.
//
// The Web Connector makes one call at a time, so a newer call of the same session means it
// gave up on the one held: that one gives way. A session can also end under a held call
// (closeConnection, a new authenticate); the call then lets go of nothing.
//
// Lives under the service's lock, which it gives up only while it waits.
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>

namespace ztl::qbwc {

// What a session counts of its calls, for the held ones.
struct HeldCalls {
    std::uint64_t calls = 0;  // every call that held; the last one speaks for the session
    int held = 0;             // held now
};

class HeldCall {
  public:
    using Clock = std::chrono::steady_clock;
    // The count of the call's session; null once that session has gone.
    using Seat = std::function<HeldCalls*()>;

    HeldCall(Seat seat, std::chrono::milliseconds hold);
    ~HeldCall();
    HeldCall(const HeldCall&) = delete;
    HeldCall& operator=(const HeldCall&) = delete;

    // Whether the call still speaks for its session: it is there, and no newer call came.
    bool current() const;
    // Whether the hold has run out at `now`.
    bool over(Clock::time_point now) const { return now >= until_; }
    // Waits with `lock` released until `changed` is signalled, the hold runs out or `sooner`.
    void wait(std::unique_lock<std::mutex>& lock, std::condition_variable& changed,
              Clock::time_point sooner = Clock::time_point::max()) const;

  private:
    Seat seat_;
    std::uint64_t number_;
    Clock::time_point until_;
};

}  // namespace ztl::qbwc
