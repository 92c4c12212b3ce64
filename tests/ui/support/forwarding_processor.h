#pragma once
// A request processor that hands every call on to one of a real factory's: a test's stand-in
// overrides only the call it changes.
#include <memory>
#include <string>

#include "platform/request_processor.h"

namespace ztl::test {

struct ForwardingProcessor : RequestProcessor {
    explicit ForwardingProcessor(std::shared_ptr<RequestProcessor> to) : r(std::move(to)) {}
    void OpenConnection(const std::string& a, const std::string& b) override { r->OpenConnection(a, b); }
    std::string BeginSession(const std::string& c, int m) override { return r->BeginSession(c, m); }
    std::string ProcessRequest(const std::string& t, const std::string& q) override {
        return r->ProcessRequest(t, q);
    }
    void EndSession(const std::string& t) override { r->EndSession(t); }
    void CloseConnection() override { r->CloseConnection(); }
    std::string GetCurrentCompanyFileName(const std::string& t) override {
        return r->GetCurrentCompanyFileName(t);
    }

    std::shared_ptr<RequestProcessor> r;
};

}  // namespace ztl::test
