#include "tools/demo_world/demo_company.h"

#include "engine/company/quickbooks_check.h"
#include "qbsim/company.h"
#include "qbsim/sample_company.h"
#include "qbsim/sim_request_processor.h"
#include "tools/demo_world/demo_data.h"

namespace ztl::demo {
namespace {

// 5 December 2026, 23:00 UTC: the evening of the demo stores' end of day. The IDs and
// times of the chart's records carry it instead of the moment the world was built.
constexpr std::time_t kCompanyCreated = 1796511600;

void writeAccountSettings(SettingsStore& settings, const std::string& section) {
    settings.set(kSettingsApp, section, "ARImportAccount", kReceivablesCustomer);
    settings.set(kSettingsApp, section, "VendorImportAccount", kPayablesVendor);
    settings.set(kSettingsApp, section, "TaxImportAccount", kSalesTaxVendor);
}

}  // namespace

std::string writeDemoCompany(const std::filesystem::path& file) {
    qbsim::Company::Options options;
    options.now = [] { return kCompanyCreated; };
    qbsim::Company company = qbsim::Company::create(file, options);
    qbsim::addSampleCompany(company);
    return qbsim::canonicalCompanyPath(file.string()).string();
}

void writeDemoSettings(SettingsStore& settings, const std::string& companyFileName,
                       const std::string& singleStoreSource) {
    writeAccountSettings(settings, companySettingsSection(companyFileName));
    const std::string single = "Zentrel\\Settings";
    settings.set(kSettingsApp, single, "Import Source", singleStoreSource);
    settings.set(kSettingsApp, single, "Company", companyFileName);
    writeAccountSettings(settings, single);
    settings.set(kSettingsApp, single, "ImportReferenceNumber",
                 singleStoreDay().transactions.front().reference);
}

}  // namespace ztl::demo
