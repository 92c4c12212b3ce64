#include "engine/company/run_record.h"

#include <algorithm>

namespace ztl {

TransactionRecord::Outcome answerOutcome(const std::string& severity, const std::string& txnId) {
    return !txnId.empty() && severity != "Error" ? TransactionRecord::Outcome::Posted
                                                 : TransactionRecord::Outcome::Refused;
}

int RunRecord::count(Outcome outcome) const {
    return static_cast<int>(std::count_if(transactions.begin(), transactions.end(),
                                          [&](const TransactionRecord& t) { return t.outcome == outcome; }));
}

bool RunRecord::postedWhole() const {
    if (!reachedEnd || lockHeldElsewhere || stoppedUnasked || refusedEntry()) return false;
    if (lineRuns <= 0 || static_cast<int>(transactions.size()) < lineRuns) return false;
    return inQuickBooks() == lineRuns && inQuickBooks() == static_cast<int>(transactions.size());
}

bool RunRecord::refusedEntry() const {
    return std::any_of(transactions.begin(), transactions.end(),
                       [](const TransactionRecord& t) { return t.statusSeverity == "Error"; });
}

}  // namespace ztl
