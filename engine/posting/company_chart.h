#pragma once
// The company's chart of accounts, read once from QuickBooks' account query answer and
// handed on as a value to whoever posts, checks or shows the day. It answers the two
// questions asked of it: which account an AccountRef names (QuickBooks' own resolution: the
// full name ignoring case and surrounding blanks, failing that the number), and what the
// accounts carrying a store account code say for the import's choice of customer or vendor.
// Texts are UTF-8, as QuickBooks answers them.
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace ztl {

class CompanyChart {
  public:
    struct Account {
        std::string listId, fullName, number, type;
        std::string name;  // the account's own name, the last part of its full name
        bool operator==(const Account&) const = default;
    };
    // What the accounts carrying one account number say, as the import's name rule reads
    // them (entity_rule.h).
    struct NumberMatch {
        bool salesTaxPayable = false;  // some account with this number is named "Sales Tax Payable"
        std::string lastType;          // the type of the last account with this number
    };

    CompanyChart() = default;
    explicit CompanyChart(std::vector<Account> accounts);
    // Throws VbError 13 when the answer is not well-formed.
    static CompanyChart fromAnswer(const std::string& answer);

    // The accounts of a later answer, kept after these as an import run keeps every chart it
    // loads (it reloads the chart before each transaction). An answer equal to the last one
    // adds nothing: the name rule answers the same either way, and memory and lookups then
    // stay independent of how many transactions the run has imported.
    void add(const CompanyChart& later);

    const std::vector<Account>& accounts() const { return accounts_; }
    // The accounts of the last answer added: the chart QuickBooks holds now.
    CompanyChart lastAnswer() const;
    const Account* resolve(std::string_view reference) const;
    // The accounts whose number is this store account code (single-byte); null when none.
    const NumberMatch* byNumber(const std::string& code) const;

  private:
    void index(const Account& account);

    std::vector<Account> accounts_;
    std::size_t lastAnswerStart_ = 0;
    std::unordered_map<std::string, NumberMatch> byNumber_;
};

// A chart as an answer gave it, or why none came.
struct ChartReading {
    std::optional<CompanyChart> chart;
    std::string unreadable;  // the parser's reason when the answer is not well-formed; empty: no answer
};
// The chart of one account query answer; none, with the parser's reason, when the answer is
// not well-formed.
ChartReading readChart(const std::string& answer);

}  // namespace ztl
