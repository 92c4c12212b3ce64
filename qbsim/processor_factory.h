#pragma once
// Which QuickBooks the programs talk to, from the environment variable ZENTREL_QUICKBOOKS:
//   sim:<company file>  QuickBooks is running with this simulated company open;
//   unset or empty      QuickBooks is not running (a session must name a company file).
// A relative company file is taken from the current folder when the factory is made.
#include <filesystem>
#include <memory>
#include <optional>
#include <string>

#include "platform/request_processor.h"
#include "qbsim/company.h"

namespace ztl::qbsim {

struct QuickBooksSetting {
    std::optional<std::filesystem::path> runningCompany;
    std::string error;  // not empty when the value names no QuickBooks this build knows
};

// Reads one value of ZENTREL_QUICKBOOKS (nullptr: unset).
QuickBooksSetting parseQuickBooksSetting(const char* value);

class SimProcessorFactory : public RequestProcessorFactory {
  public:
    explicit SimProcessorFactory(std::optional<std::filesystem::path> runningCompany,
                                 Company::Options companyOptions = {});
    std::shared_ptr<RequestProcessor> create() override;

  private:
    std::optional<std::filesystem::path> running_;
    Company::Options options_;
};

// The factory ZENTREL_QUICKBOOKS asks for. For a value it cannot use, every processor it
// makes fails OpenConnection with 0x80040401, the description saying what is wrong, so the
// programs report an unreachable QuickBooks instead of talking to the wrong one.
std::unique_ptr<RequestProcessorFactory> processorFactoryFromEnvironment();

}  // namespace ztl::qbsim
