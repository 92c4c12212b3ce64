#include "engine/review/reconcile.h"

#include "engine/posting/entry_differences.h"
#include "platform/windows1252.h"

namespace ztl {
namespace {

using Verdict = ReconciledTransaction::Verdict;

// An entry the import posted and somebody changed may have lost the memo of a line it
// changed, never that of every line.
bool carriesSomeImportMemo(const PostedEntry& entry) {
    for (const auto& l : entry.lines) {
        PostedEntry one;
        one.lines = {l};
        if (carriesImportMemo(one)) return true;
    }
    return false;
}

bool isTheTransaction(const StoreTransaction& t, const PostedEntry& e, const CompanyChart& chart) {
    return sameKey(t, e) && carriesImportMemo(e) && sameLines(t, e, chart);
}

std::string plural(std::size_t n, const char* one, const char* many) {
    return std::to_string(n) + " " + (n == 1 ? one : many);
}

}  // namespace

Reconciliation reconcileDay(const std::vector<DayTransaction>& day, std::vector<PostedEntry> entries,
                            const CompanyChart& chart) {
    // The duplicate guard's order: the earliest posted entry is a transaction's first.
    const PostedEntries ordered(std::move(entries), chart);
    const std::vector<PostedEntry>& es = ordered.entries();
    std::vector<bool> used(es.size(), false);
    Reconciliation r;
    for (const auto& d : day) {
        ReconciledTransaction t;
        t.referenceNumber = d.referenceNumber;
        r.transactions.push_back(std::move(t));
    }

    auto claimFirst = [&](const StoreTransaction& t) {
        for (std::size_t i = 0; i < es.size(); ++i)
            if (!used[i] && isTheTransaction(t, es[i], chart)) {
                used[i] = true;
                return true;
            }
        return false;
    };
    // Every transaction takes its own entry first, as an import would: a day that holds two
    // identical transactions is wholly posted by two identical entries.
    for (std::size_t k = 0; k < day.size(); ++k)
        if (day[k].transaction && claimFirst(*day[k].transaction)) r.transactions[k].times = 1;
    // Only then does an entry left over count as a second posting.
    for (std::size_t k = 0; k < day.size(); ++k)
        if (r.transactions[k].times > 0)
            while (claimFirst(*day[k].transaction)) ++r.transactions[k].times;

    for (std::size_t k = 0; k < day.size(); ++k) {
        ReconciledTransaction& out = r.transactions[k];
        if (out.times == 1) out.verdict = Verdict::Posted;
        if (out.times > 1) out.verdict = Verdict::PostedMoreThanOnce;
        if (out.times == 0 && !day[k].transaction) {
            out.note = "the import cannot post it: " + day[k].unpostable;
            continue;
        }
        const StoreTransaction& t = *day[k].transaction;
        // The import's entry with this number and date that differs least is this
        // transaction, changed; an entry without the import's memo is somebody else's.
        std::optional<std::size_t> closest;
        std::vector<std::string> closestDifferences;
        std::string other;
        for (std::size_t i = 0; i < es.size(); ++i) {
            if (used[i] || !sameKey(t, es[i])) continue;
            if (!carriesSomeImportMemo(es[i])) {
                if (other.empty()) other = utf8ToWindows1252(es[i].txnId);
                continue;
            }
            auto differences = entryDifferences(t, es[i], chart);
            if (!closest || differences.size() < closestDifferences.size()) {
                closest = i;
                closestDifferences = std::move(differences);
            }
        }
        if (closest && out.times > 0) {
            // Posted, and besides a changed copy: the company does not hold the day as the
            // file says, and the counts say so with the verdict.
            used[*closest] = true;
            out.verdict = Verdict::Differs;
            std::string also =
                "also QuickBooks entry TxnID " + utf8ToWindows1252(es[*closest].txnId) + ", changed: ";
            for (std::size_t i = 0; i < closestDifferences.size(); ++i)
                also += (i ? "; " : "") + closestDifferences[i];
            out.note = also;
        } else if (out.times > 0) {
        } else if (closest) {
            used[*closest] = true;
            out.verdict = Verdict::Differs;
            out.differences = std::move(closestDifferences);
            out.differences.insert(out.differences.begin(),
                                   "QuickBooks entry TxnID " + utf8ToWindows1252(es[*closest].txnId));
        } else if (!other.empty()) {
            out.note = "QuickBooks entry TxnID " + other +
                       " has this invoice number and date but is not the import's";
        }
    }
    return r;
}

bool Reconciliation::postedOnceEach() const {
    if (transactions.empty()) return false;
    for (const auto& t : transactions)
        if (t.verdict != Verdict::Posted || !t.note.empty()) return false;
    return true;
}

std::vector<std::string> Reconciliation::lines() const {
    std::vector<std::string> out;
    std::size_t posted = 0, notPosted = 0, differs = 0, more = 0;
    for (const auto& t : transactions) {
        std::string line = t.referenceNumber + ": ";
        switch (t.verdict) {
            case Verdict::Posted:
                ++posted;
                line += "posted";
                if (!t.note.empty()) line += " (" + t.note + ")";
                break;
            case Verdict::NotPosted:
                ++notPosted;
                line += "not posted";
                if (!t.note.empty()) line += " (" + t.note + ")";
                break;
            case Verdict::Differs: {
                ++differs;
                if (!t.note.empty()) {
                    line += "differs (posted as the file says; " + t.note + ")";
                    break;
                }
                line += "differs (";
                for (std::size_t i = 0; i < t.differences.size(); ++i)
                    line += (i ? "; " : "") + t.differences[i];
                line += ")";
                break;
            }
            case Verdict::PostedMoreThanOnce:
                ++more;
                line += "posted " + std::to_string(t.times) + " times";
                if (!t.note.empty()) line += " (" + t.note + ")";
                break;
        }
        out.push_back(line);
    }
    std::string summary = plural(transactions.size(), "transaction", "transactions") + ": " +
                          std::to_string(posted) + " posted, " + std::to_string(notPosted) + " not posted, " +
                          std::to_string(differs) + " differ" + (differs == 1 ? "s" : "") + ", " +
                          std::to_string(more) + " posted more than once";
    summary += postedOnceEach() ? " - QuickBooks holds the day exactly as the file says."
                                : " - QuickBooks does not hold the day as the file says.";
    if (transactions.empty())
        summary = "The totals file holds no transaction with lines: nothing to reconcile.";
    out.push_back(summary);
    return out;
}

Reconciliation reconcileTotalsFile(CompanySession& company, const std::string& totalsPath) {
    PlannedDay day = [&] {
        company.chart();
        return company.readDay(totalsPath);
    }();
    std::vector<PostedEntry> entries;
    if (day.first) {
        try {
            entries = queryPostedEntries(company.asker(), *day.first, *day.last);
        } catch (const qbxml::AnswerError& e) {
            throw CompanyError(e.what());
        }
    }
    return reconcileDay(day.transactions, std::move(entries), company.chart());
}

}  // namespace ztl
