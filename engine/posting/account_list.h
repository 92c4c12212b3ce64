#pragma once
// The chart of accounts as the engine keeps it: each QuickBooks account as the text
// "number,name,type", in response order, and an index by account number for the entity
// lookup.
//
// An import run reloads the chart before every transaction and each load is appended to
// the list. A load equal to the one before it is not stored again: the entity lookup gives
// the same answer either way (it depends only on whether any matching account is named
// "Sales Tax Payable" and on the last matching account), and memory and lookup time then
// stay independent of how many transactions the run has already imported.
#include <string>
#include <unordered_map>
#include <vector>

namespace ztl {

class AccountList {
  public:
    struct NumberMatch {
        bool salesTaxPayable = false;  // some account with this number is named "Sales Tax Payable"
        std::string lastType;          // the type of the last account with this number
    };

    // Appends the accounts of one account query response.
    void appendLoad(std::vector<std::string> accounts);
    const std::vector<std::string>& texts() const { return texts_; }
    // What the accounts carrying exactly this number say; null when none does.
    const NumberMatch* find(const std::string& number) const;

  private:
    std::vector<std::string> texts_;
    std::vector<std::string> lastLoad_;
    std::unordered_map<std::string, NumberMatch> byNumber_;
};

// The pieces of an account text split at every ",": a name holding a comma shifts the
// type into a later piece, as every reader of the list sees it.
std::vector<std::string> splitAccountText(const std::string& text);

}  // namespace ztl
