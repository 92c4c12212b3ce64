#include "engine/posting/company_chart.h"

#include "engine/posting/entity_rule.h"
#include "platform/trim.h"
#include "platform/vb_error.h"
#include "qbxml/answer_document.h"
#include "qbxml/names.h"

namespace ztl {

CompanyChart::CompanyChart(std::vector<Account> accounts) : accounts_(std::move(accounts)) {
    for (const Account& a : accounts_) index(a);
}

ChartReading readChart(const std::string& answer) {
    ChartReading reading;
    pugi::xml_document doc;
    if (!qbxml::load(doc, answer, reading.unreadable)) return reading;
    std::vector<CompanyChart::Account> accounts;
    for (const auto& rs : qbxml::elementsByTagName(doc, "AccountQueryRs")) {
        for (pugi::xml_node ret = rs.first_child(); ret; ret = ret.next_sibling()) {
            if (std::string_view(ret.name()) != "AccountRet") continue;
            CompanyChart::Account a;
            a.listId = qbxml::childText(ret, "ListID");
            a.fullName = ret.child("FullName") ? qbxml::childText(ret, "FullName") : qbxml::childText(ret, "Name");
            a.name = ret.child("Name") ? qbxml::childText(ret, "Name") : a.fullName;
            a.number = qbxml::childText(ret, "AccountNumber");
            a.type = qbxml::childText(ret, "AccountType");
            accounts.push_back(std::move(a));
        }
    }
    reading.chart.emplace(std::move(accounts));
    return reading;
}

CompanyChart CompanyChart::fromAnswer(const std::string& answer) {
    ChartReading reading = readChart(answer);
    if (!reading.chart)
        throw VbError(vb::kTypeMismatch, "clsZTL", "QuickBooks' answer is not well-formed XML: " + reading.unreadable);
    return std::move(*reading.chart);
}

void CompanyChart::index(const Account& account) {
    EntityReading r = entityReading(account);
    NumberMatch& m = byNumber_[r.number];
    if (r.salesTaxPayable) m.salesTaxPayable = true;
    m.lastType = std::move(r.type);
}

void CompanyChart::add(const CompanyChart& later) {
    const std::vector<Account> last(accounts_.begin() + static_cast<std::ptrdiff_t>(lastAnswerStart_), accounts_.end());
    if (!last.empty() && later.accounts_ == last) return;
    if (later.accounts_.empty()) return;
    lastAnswerStart_ = accounts_.size();
    for (const Account& a : later.accounts_) {
        accounts_.push_back(a);
        index(a);
    }
}

CompanyChart CompanyChart::lastAnswer() const {
    return CompanyChart(
        std::vector<Account>(accounts_.begin() + static_cast<std::ptrdiff_t>(lastAnswerStart_), accounts_.end()));
}

const CompanyChart::Account* CompanyChart::resolve(std::string_view reference) const {
    for (const auto& a : accounts_)
        if (sameQuickBooksName(a.fullName, reference)) return &a;
    std::string_view number = trimmedView(reference, kWhitespace);
    if (number.empty()) return nullptr;
    for (const auto& a : accounts_)
        if (!a.number.empty() && a.number == number) return &a;
    return nullptr;
}

const CompanyChart::NumberMatch* CompanyChart::byNumber(const std::string& code) const {
    auto it = byNumber_.find(code);
    return it == byNumber_.end() ? nullptr : &it->second;
}

}  // namespace ztl
