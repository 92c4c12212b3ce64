#pragma once
// QuickBooks' answer to the customer and vendor queries (CustomerQueryRs, VendorQueryRs):
// which of the names asked for are customers and which are vendors.
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

// The customers and vendors of the answer. A query for a single missing name is answered
// 500 (Warn) without records, which here just means "not one". Throws qbxml::AnswerError
// when the answer is not well-formed, holds no such result, or a query was refused with
// anything but "not found".
NameList readEntityQuery(const std::string& answer);

}  // namespace ztl
