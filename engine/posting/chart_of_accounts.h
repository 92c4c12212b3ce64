#pragma once
// The company's chart of accounts as QuickBooks answers it. Texts are UTF-8.
#include <string>
#include <string_view>
#include <vector>

namespace ztl {

// The accounts of an account query answer, resolved as QuickBooks resolves an AccountRef's
// FullName: the full name ignoring case and surrounding blanks, failing that the number.
class ChartOfAccounts {
  public:
    struct Account {
        std::string listId, fullName, number, type;
        std::string name;  // the account's own name, the last part of its full name
    };
    ChartOfAccounts() = default;
    // Throws VbError when the text is not well-formed.
    static ChartOfAccounts fromResponse(const std::string& response);
    explicit ChartOfAccounts(std::vector<Account> accounts) : accounts_(std::move(accounts)) {}

    const Account* resolve(std::string_view reference) const;
    const std::vector<Account>& accounts() const { return accounts_; }

  private:
    std::vector<Account> accounts_;
};

}  // namespace ztl
