#pragma once
// The one error type of the simulated company's store: opening, creating and changing a
// company file. The request processor maps it onto the SDK's HRESULTs; the qbsim program
// prints what() as it stands.
#include <stdexcept>
#include <string>

namespace ztl::qbsim {

struct CompanyError : std::runtime_error {
    enum class Kind {
        NotFound,     // the company file does not exist
        NotACompany,  // the file exists but is no simulated company file
        Exists,       // a new company file would overwrite an existing file
        Invalid,      // a name, number or type that the company does not accept
        Busy,         // another process held the company file longer than the busy timeout
        Database,     // any other failure of the database
    };
    Kind kind;
    CompanyError(Kind k, const std::string& what) : std::runtime_error(what), kind(k) {}
};

}  // namespace ztl::qbsim
