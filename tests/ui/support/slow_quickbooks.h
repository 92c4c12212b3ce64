#pragma once
// QuickBooks behind a slow link, as the Web Connector bridge is: every connection and every
// answer takes `delay`, and while it waits the call tells the program's wait hook every
// hundredth of a second, on the caller's thread, as the bridge does. A wait the hook cancels
// ends the call with the bridge's error.
#include <atomic>
#include <chrono>
#include <memory>
#include <string>
#include <thread>

#include "platform/quickbooks_wait.h"
#include "platform/request_processor.h"
#include "forwarding_processor.h"
#include "platform/vb_error.h"

namespace ztl::test {

struct SlowQuickBooks : RequestProcessorFactory {
    SlowQuickBooks(RequestProcessorFactory& answering, QuickBooksWait& hook, std::chrono::milliseconds perAnswer)
        : real(answering), wait(hook), delay(perAnswer) {}

    // Waits `delay` through the hook; false when the hook cancelled.
    bool slowly(const std::string& what) {
        using clock = std::chrono::steady_clock;
        const auto start = clock::now();
        waitingNow = true;
        bool answered = true;
        for (auto waited = std::chrono::milliseconds(0); waited < delay;
             waited = std::chrono::duration_cast<std::chrono::milliseconds>(clock::now() - start)) {
            if (!wait.waiting(what, waited)) {
                answered = false;
                ++cancelled;
                break;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        waitingNow = false;
        wait.done();
        return answered;
    }

    struct P : ForwardingProcessor {
        P(std::shared_ptr<RequestProcessor> to, SlowQuickBooks* s) : ForwardingProcessor(std::move(to)), slow(s) {}
        SlowQuickBooks* slow;
        void through(const std::string& what) {
            if (!slow->slowly(what))
                throw VbError(hresult::kCouldNotStart, "SlowQuickBooks", "The wait was cancelled; nothing was sent.");
        }
        void OpenConnection(const std::string& a, const std::string& b) override {
            through("Waiting for the Web Connector to call");
            r->OpenConnection(a, b);
        }
        std::string ProcessRequest(const std::string& t, const std::string& q) override {
            through("Waiting for QuickBooks to answer");
            ++slow->answers;
            return r->ProcessRequest(t, q);
        }
    };
    std::shared_ptr<RequestProcessor> create() override { return std::make_shared<P>(real.create(), this); }

    RequestProcessorFactory& real;
    QuickBooksWait& wait;
    std::chrono::milliseconds delay;
    std::atomic<bool> waitingNow{false};  // a call is waiting right now
    int answers = 0;                      // requests answered
    int cancelled = 0;                    // waits the hook ended
};

}  // namespace ztl::test
