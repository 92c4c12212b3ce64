#pragma once
// A call of the program waiting inside the service for the Web Connector (openConnection,
// submit). Without a wait hook it sleeps until the service changes or its time is up. With
// one (a window, ztl's waiting line) it wakes every tenth of a second, so that the hook
// shows what is waited for and for how long, and says whether the operator still waits.
//
// Lives under the service's lock, which it gives up while it waits and while the hook runs.
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>

#include "platform/quickbooks_wait.h"

namespace ztl::qbwc {

class ProgramWait {
  public:
    using Clock = std::chrono::steady_clock;

    // `hook` may be null; the wait counts its time from now.
    ProgramWait(QuickBooksWait* hook, std::condition_variable& changed);

    // Waits until `changed` is signalled, `until`, or the hook's next turn; false when the
    // operator has cancelled.
    bool waitAWhile(std::unique_lock<std::mutex>& lock, Clock::time_point until, const std::string& what);

  private:
    QuickBooksWait* hook_;
    std::condition_variable& changed_;
    const Clock::time_point since_ = Clock::now();
};

// What a window or ztl shows while it waits for the Web Connector to call: the first line
// (`what`) is the one kept up to date with the seconds, the rest says how long and what to
// do; `url` is where the Web Connector calls, when known.
std::string waitingForCallText(const char* what, std::chrono::milliseconds timeout, const std::string& url);

}  // namespace ztl::qbwc
