#pragma once
// The request processors of a real factory, with a hook that runs before every journal
// entry is sent: a test does there what another workstation or the network would do while
// an import runs.
#include <functional>
#include <memory>
#include <string>

#include "platform/request_processor.h"
#include "forwarding_processor.h"

namespace ztl::test {

struct JournalEntryHook : RequestProcessorFactory {
    JournalEntryHook(RequestProcessorFactory& real, std::function<void()> beforeEntry)
        : real(real), beforeEntry(std::move(beforeEntry)) {}

    struct P : ForwardingProcessor {
        P(std::shared_ptr<RequestProcessor> to, JournalEntryHook* h) : ForwardingProcessor(std::move(to)), hook(h) {}
        JournalEntryHook* hook;
        std::string ProcessRequest(const std::string& t, const std::string& q) override {
            if (q.find("JournalEntryAddRq") != std::string::npos) hook->beforeEntry();
            return r->ProcessRequest(t, q);
        }
    };
    std::shared_ptr<RequestProcessor> create() override { return std::make_shared<P>(real.create(), this); }

    RequestProcessorFactory& real;
    std::function<void()> beforeEntry;
};

// Puts a folder where the import lock of `totalsFile` is: the run cannot remove its lock.
inline void jamImportLock(const std::filesystem::path& totalsFile) {
    std::filesystem::path lock = totalsFile.string() + ".lock";
    if (std::filesystem::is_directory(lock)) return;
    std::filesystem::remove(lock);
    std::filesystem::create_directories(lock / "jammed");
}

}  // namespace ztl::test
