#pragma once
// Reconciling a posted day with QuickBooks: for every transaction of the totals file,
// whether the company holds it exactly once as the file says. An entry is a transaction
// when the duplicate guard would take it for one (posted_entries.h); an entry with the
// transaction's invoice number and date that carries the import's memo but other lines is
// that transaction changed in the company. It posts nothing.
#include <string>
#include <vector>

#include "engine/company/company_session.h"
#include "engine/posting/posted_entries.h"
#include "engine/posting/planned_day.h"

namespace ztl {

struct ReconciledTransaction {
    enum class Verdict { Posted, NotPosted, Differs, PostedMoreThanOnce };
    std::string referenceNumber;
    Verdict verdict = Verdict::NotPosted;
    int times = 0;                         // entries that are this transaction
    std::vector<std::string> differences;  // Differs: what differs
    // NotPosted: why, when the reason is known; Differs: posted as the file says, and the
    // changed copy beside it
    std::string note;
};

struct Reconciliation {
    std::vector<ReconciledTransaction> transactions;
    // Every transaction posted exactly once as the file says (and at least one transaction).
    bool postedOnceEach() const;
    // One line per transaction, "<RefNumber>: posted" ..., then the summary line.
    std::vector<std::string> lines() const;
};

Reconciliation reconcileDay(const std::vector<DayTransaction>& day, std::vector<PostedEntry> entries,
                            const CompanyChart& chart);

// The whole check of a totals file against the company: the chart, the file, one query over
// the file's dates. Throws CompanyError.
Reconciliation reconcileTotalsFile(CompanySession& company, const std::string& totalsPath);

}  // namespace ztl
