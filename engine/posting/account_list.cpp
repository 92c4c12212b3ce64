#include "engine/posting/account_list.h"

namespace ztl {

std::vector<std::string> splitAccountText(const std::string& text) {
    std::vector<std::string> pieces(1);
    for (char c : text) {
        if (c == ',')
            pieces.emplace_back();
        else
            pieces.back() += c;
    }
    return pieces;
}

void AccountList::appendLoad(std::vector<std::string> accounts) {
    if (!lastLoad_.empty() && accounts == lastLoad_) return;
    for (const auto& text : accounts) {
        texts_.push_back(text);
        auto pieces = splitAccountText(text);
        NumberMatch& m = byNumber_[pieces[0]];
        if (pieces.size() > 1 && pieces[1] == "Sales Tax Payable") m.salesTaxPayable = true;
        m.lastType = pieces.size() > 2 ? pieces[2] : std::string();
    }
    if (!accounts.empty()) lastLoad_ = std::move(accounts);
}

const AccountList::NumberMatch* AccountList::find(const std::string& number) const {
    auto it = byNumber_.find(number);
    return it == byNumber_.end() ? nullptr : &it->second;
}

}  // namespace ztl
