#include "qbsim/sample_company.h"
#include "request_text.h"

namespace qbsim_test {

SampleCompany::SampleCompany(ztl::qbsim::CompanyOptions options)
    : company(ztl::qbsim::Company::create(file, std::move(options))) {
    ztl::qbsim::addSampleCompany(company);
}

}  // namespace qbsim_test
