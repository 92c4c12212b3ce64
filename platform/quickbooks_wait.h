#pragma once
// What a program does while a call to QuickBooks waits on someone else (the Web Connector
// calls when its schedule says so): keeps its window alive, shows what it waits for, and
// lets the operator cancel. The engine's calls stay synchronous; the backend that waits
// calls this hook on the caller's own thread every few tenths of a second.
#include <chrono>
#include <string>

namespace ztl {

class QuickBooksWait {
  public:
    virtual ~QuickBooksWait() = default;
    // Still waiting for `what`, `waited` so far. False: the operator cancelled. A request
    // not yet handed out is then withdrawn; one already handed out is waited for all the same.
    virtual bool waiting(const std::string& what, std::chrono::milliseconds waited) = 0;
    // The wait is over, answered, failed or cancelled.
    virtual void done() = 0;
    // Connecting failed, for the reason given (a refused password, a Web Connector that
    // never called, ...): the engine's report gives only the number, so the reason is shown here.
    virtual void failed(const std::string& why) { (void)why; }
};

// `what` is a line of its own, then (after a '\n') what the operator can do meanwhile.
// "Waiting for the Web Connector to call ... 12 s": the line a window or ztl shows, kept
// up to date.
std::string waitingLine(const std::string& what, std::chrono::milliseconds waited);
// The rest of `what`: how long the wait lasts and what to click; shown once.
std::string waitingDetails(const std::string& what);

}  // namespace ztl

namespace ztl {

// The wait of this process where a backend is given none (ztl sets its line on standard
// error); null by default. Not owned.
QuickBooksWait* processQuickBooksWait();
void setProcessQuickBooksWait(QuickBooksWait* wait);

}  // namespace ztl
