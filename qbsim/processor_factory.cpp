#include "qbsim/processor_factory.h"

#include <cstdlib>
#include <string_view>

#include "platform/vb_error.h"
#include "qbsim/sim_request_processor.h"

namespace ztl::qbsim {

namespace {

// A processor for a ZENTREL_QUICKBOOKS value that names nothing usable.
class MisconfiguredProcessor : public RequestProcessor {
  public:
    explicit MisconfiguredProcessor(std::string why) : why_(std::move(why)) {}
    void OpenConnection(const std::string&, const std::string&) override { fail(); }
    std::string BeginSession(const std::string&, int) override { fail(); }
    std::string ProcessRequest(const std::string&, const std::string&) override { fail(); }
    void EndSession(const std::string&) override { fail(); }
    void CloseConnection() override { fail(); }
    std::string GetCurrentCompanyFileName(const std::string&) override { fail(); }

  private:
    [[noreturn]] void fail() const {
        throw VbError(hresult::kCouldNotAccess, "qbsim",
                      std::string(sdkDescription(hresult::kCouldNotAccess)) + " " + why_);
    }
    std::string why_;
};

class MisconfiguredFactory : public RequestProcessorFactory {
  public:
    explicit MisconfiguredFactory(std::string why) : why_(std::move(why)) {}
    std::shared_ptr<RequestProcessor> create() override {
        return std::make_shared<MisconfiguredProcessor>(why_);
    }

  private:
    std::string why_;
};

}  // namespace

QuickBooksSetting parseQuickBooksSetting(const char* value) {
    QuickBooksSetting s;
    if (!value || !*value) return s;
    std::string_view v(value);
    if (v.substr(0, 4) == "sim:" && v.size() > 4) {
        std::error_code ec;
        auto p = std::filesystem::absolute(std::filesystem::path(std::string(v.substr(4))), ec);
        s.runningCompany = ec ? std::filesystem::path(std::string(v.substr(4))) : p;
        return s;
    }
    s.error = "ZENTREL_QUICKBOOKS=\"" + std::string(v) +
              "\" names no QuickBooks: use sim:<company file> or qbwc:<host>:<port>, or leave it unset when "
              "QuickBooks is not running.";
    return s;
}

SimProcessorFactory::SimProcessorFactory(std::optional<std::filesystem::path> runningCompany,
                                         Company::Options companyOptions)
    : running_(std::move(runningCompany)), options_(std::move(companyOptions)) {}

std::shared_ptr<RequestProcessor> SimProcessorFactory::create() {
    return std::make_shared<SimRequestProcessor>(running_, options_);
}

std::unique_ptr<RequestProcessorFactory> processorFactoryFromEnvironment() {
    auto setting = parseQuickBooksSetting(std::getenv("ZENTREL_QUICKBOOKS"));
    if (!setting.error.empty()) return std::make_unique<MisconfiguredFactory>(setting.error);
    return std::make_unique<SimProcessorFactory>(setting.runningCompany);
}

}  // namespace ztl::qbsim
