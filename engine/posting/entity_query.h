#pragma once
// Asking QuickBooks which of the names the import puts on its lines are customers and which
// are vendors: qbXML 1.0's CustomerQueryRq and VendorQueryRq by FullName, one of each per
// name, all in one message set. One name per query, because what QuickBooks answers to a
// query naming several when one of them is missing is not documented; a query for a single
// missing name is answered 500 (Warn) without records, which here just means "not one".
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace ztl {

enum class NameKind { Customer, Vendor };

// Customers and vendors by full name, found as QuickBooks finds an EntityRef's FullName:
// ignoring ASCII case and surrounding blanks. Names are UTF-8, as QuickBooks answers them.
class NameList {
  public:
    struct Name {
        std::string fullName;
        NameKind kind;
    };
    void add(std::string fullName, NameKind kind) { names_.push_back({std::move(fullName), kind}); }
    const Name* find(std::string_view fullName) const;
    const std::vector<Name>& names() const { return names_; }

  private:
    std::vector<Name> names_;
};

// QuickBooks would not answer the question; what() says why.
struct EntityQueryError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// The request for these names (single-byte text, as the engine's other requests); names that
// are empty or blank are not asked for, as no line can name them. Empty when none is left.
std::string entityQueryRequest(const std::vector<std::string>& names);

// The customers and vendors of the answer. Throws EntityQueryError when the answer is not
// well-formed or a query was refused with anything but "not found".
NameList readEntityQuery(const std::string& answer);

}  // namespace ztl
