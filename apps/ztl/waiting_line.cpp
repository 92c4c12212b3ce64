// ztl's side of a wait for the Web Connector: the window's waiting line, on standard error.
// On a terminal it is rewritten in place every second from the second second on; elsewhere
// (a log, a pipe) it is written once every ten seconds, so that a short wait adds nothing to
// what a script reads. How long the wait lasts and what to click is said once, above it.
// ztl has no Cancel: Ctrl+C ends it, and what was handed out is reported by the bridge's log.
#include <unistd.h>

#include <iostream>

#include "failure_notes.h"
#include "platform/quickbooks_wait.h"

namespace ztl::cli {
namespace {

class WaitingLine : public QuickBooksWait {
  public:
    bool waiting(const std::string& what, std::chrono::milliseconds waited) override {
        long seconds = static_cast<long>(std::chrono::duration_cast<std::chrono::seconds>(waited).count());
        if (seconds == shown_) return true;
        shown_ = seconds;
        // What to do meanwhile is said once per wait, with its first line that is shown: a
        // wait that ends at once adds nothing.
        bool shows = terminal_ ? seconds >= 2 : seconds > 0 && seconds % 10 == 0;
        if (!shows) return true;
        if (std::string details = waitingDetails(what); details != details_) {
            details_ = details;
            if (!details.empty()) {
                if (terminal_ && width_ > 0) std::cerr << "\r" << std::string(width_, ' ') << "\r";
                width_ = 0;
                std::cerr << "ztl: " << details << std::endl;
            }
        }
        if (terminal_) {
            std::string line = "ztl: " + waitingLine(what, waited);
            std::cerr << "\r" << line << std::string(width_ > line.size() ? width_ - line.size() : 0, ' ')
                      << std::flush;
            width_ = line.size();
        } else {
            std::cerr << "ztl: " << waitingLine(what, waited) << std::endl;
        }
        return true;
    }
    void failed(const std::string& why) override {
        done();
        // Said once: with the report of the failure it causes when that carries it.
        failureNotes().waitFailed(why);
    }
    void done() override {
        if (terminal_ && width_ > 0) std::cerr << "\r" << std::string(width_, ' ') << "\r" << std::flush;
        width_ = 0;
        shown_ = -1;
        details_.clear();
    }

  private:
    std::string details_;
    bool terminal_ = ::isatty(2) == 1;
    long shown_ = -1;
    std::size_t width_ = 0;
};

WaitingLine line;
struct Register {
    Register() { setProcessQuickBooksWait(&line); }
} registered;

}  // namespace
}  // namespace ztl::cli
