#include <gtest/gtest.h>

#include <unistd.h>
#include <atomic>

#include "qbsim/sample_company.h"
#include "request_text.h"

namespace qbsim_test {

TempFolder::TempFolder() {
    static std::atomic<int> counter{0};
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    std::string name = "qbsim_" + std::to_string(getpid()) + "_" + std::to_string(counter++) + "_" +
                       (info ? std::string(info->name()) : std::string("x"));
    for (char& c : name)
        if (c == '/') c = '_';
    path_ = std::filesystem::path(::testing::TempDir()) / name;
    std::filesystem::remove_all(path_);
    std::filesystem::create_directories(path_);
}

TempFolder::~TempFolder() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
}

SampleCompany::SampleCompany(ztl::qbsim::CompanyOptions options)
    : company(ztl::qbsim::Company::create(file, std::move(options))) {
    ztl::qbsim::addSampleCompany(company);
}

}  // namespace qbsim_test
