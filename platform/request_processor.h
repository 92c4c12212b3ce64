#pragma once
// The QuickBooks request processor: exactly the operations of the SDK's qbXML request
// processor. Every failure is a VbError whose number is the SDK's HRESULT as a signed
// 32-bit value, with the SDK's own text where known.
#include <memory>
#include <string>

namespace ztl {

namespace hresult {
inline constexpr long kParseError = -2147220480;       // 0x80040400
inline constexpr long kCouldNotAccess = -2147220479;   // 0x80040401
inline constexpr long kCouldNotStart = -2147220472;    // 0x80040408
inline constexpr long kCompanyNotOpen = -2147220470;   // 0x8004040A
inline constexpr long kInvalidTicket = -2147220467;    // 0x8004040D
inline constexpr long kNeedCompanyFile = -2147220458;  // 0x80040416
}  // namespace hresult

// The SDK's open mode that accepts the company in single-user or multi-user mode.
inline constexpr int kOpenModeDoNotCare = 2;

class RequestProcessor {
  public:
    virtual ~RequestProcessor() = default;
    virtual void OpenConnection(const std::string& appId, const std::string& appName) = 0;
    virtual std::string BeginSession(const std::string& companyFile, int mode) = 0;
    virtual std::string ProcessRequest(const std::string& ticket, const std::string& request) = 0;
    virtual void EndSession(const std::string& ticket) = 0;
    virtual void CloseConnection() = 0;
    virtual std::string GetCurrentCompanyFileName(const std::string& ticket) = 0;
};

// Makes a new request processor, as creating the SDK's COM object does.
class RequestProcessorFactory {
  public:
    virtual ~RequestProcessorFactory() = default;
    virtual std::shared_ptr<RequestProcessor> create() = 0;
};

}  // namespace ztl
