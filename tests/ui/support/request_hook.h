#pragma once
// The request processors of a real factory, with a hook that runs before every journal
// entry is sent: a test does there what another workstation or the network would do while
// an import runs.
#include <functional>
#include <memory>
#include <string>

#include "platform/request_processor.h"

namespace ztl::test {

struct JournalEntryHook : RequestProcessorFactory {
    JournalEntryHook(RequestProcessorFactory& real, std::function<void()> beforeEntry)
        : real(real), beforeEntry(std::move(beforeEntry)) {}

    struct P : RequestProcessor {
        std::shared_ptr<RequestProcessor> r;
        JournalEntryHook* hook = nullptr;
        void OpenConnection(const std::string& a, const std::string& b) override { r->OpenConnection(a, b); }
        std::string BeginSession(const std::string& c, int m) override { return r->BeginSession(c, m); }
        std::string ProcessRequest(const std::string& t, const std::string& q) override {
            if (q.find("JournalEntryAddRq") != std::string::npos) hook->beforeEntry();
            return r->ProcessRequest(t, q);
        }
        void EndSession(const std::string& t) override { r->EndSession(t); }
        void CloseConnection() override { r->CloseConnection(); }
        std::string GetCurrentCompanyFileName(const std::string& t) override {
            return r->GetCurrentCompanyFileName(t);
        }
    };
    std::shared_ptr<RequestProcessor> create() override {
        auto p = std::make_shared<P>();
        p->r = real.create();
        p->hook = this;
        return p;
    }

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
