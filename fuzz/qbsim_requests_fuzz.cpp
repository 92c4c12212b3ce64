// The simulated company's request processing: any bytes as a qbXML request to the sample
// company. A request is answered, or refused as RequestParseError; the company file stays
// sound (CompanyError would mean it did not).
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "qbsim/company.h"
#include "qbsim/qbxml.h"
#include "qbsim/sample_company.h"

namespace fs = std::filesystem;

namespace {

// The company file of this process, removed when it ends.
struct SampleFile {
    fs::path folder = fs::temp_directory_path() / ("ztl_qbsim_fuzz_" + std::to_string(::getpid()));
    ztl::qbsim::Company company = make();

    ztl::qbsim::Company make() {
        fs::create_directories(folder);
        auto c = ztl::qbsim::Company::create(folder / "fuzz.qbw");
        ztl::qbsim::addSampleCompany(c);
        return c;
    }
    ~SampleFile() {
        std::error_code ec;
        fs::remove_all(folder, ec);
    }
};

SampleFile& sample() {
    static SampleFile s;
    return s;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string request(reinterpret_cast<const char*>(data), size);
    try {
        (void)ztl::qbsim::answerRequest(sample().company, request);
    } catch (const ztl::qbsim::RequestParseError&) {
        // Refused as the SDK refuses a request that does not parse.
    }
    return 0;
}
