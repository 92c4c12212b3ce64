#include "qbwc/program_wait.h"

#include <algorithm>

namespace ztl::qbwc {

namespace {
// How often a waiting call lets the program's window breathe.
constexpr std::chrono::milliseconds kWaitSlice{100};
}  // namespace

ProgramWait::ProgramWait(QuickBooksWait* hook, std::condition_variable& changed)
    : hook_(hook), changed_(changed) {}

bool ProgramWait::waitAWhile(std::unique_lock<std::mutex>& lock, Clock::time_point until,
                             const std::string& what) {
    if (!hook_) {
        changed_.wait_until(lock, until);
        return true;
    }
    changed_.wait_until(lock, std::min(until, Clock::now() + kWaitSlice));
    lock.unlock();
    bool goOn =
        hook_->waiting(what, std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - since_));
    lock.lock();
    return goOn;
}

std::string waitingForCallText(const char* what, std::chrono::milliseconds timeout, const std::string& url) {
    auto seconds = std::chrono::duration_cast<std::chrono::seconds>(timeout).count();
    std::string text = std::string(what) + "\nZentrel waits up to " + std::to_string(seconds) +
                       " s. On the bookkeeper's PC, in the QuickBooks Web Connector: tick Korvane Zentrel "
                       "and click Update Selected (with Auto-Run on it calls by itself).";
    if (!url.empty()) text += " It calls " + url + ".";
    return text;
}

}  // namespace ztl::qbwc
