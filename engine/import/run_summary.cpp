#include "engine/import/run_summary.h"

#include "engine/company/import_log.h"

namespace ztl {
namespace {

using Outcome = TransactionRecord::Outcome;

std::string numbersOf(const RunRecord& run, Outcome outcome) {
    std::string list;
    for (const TransactionRecord& t : run.transactions) {
        if (t.outcome != outcome) continue;
        if (!list.empty()) list += ", ";
        list += t.referenceNumber;
    }
    return list;
}

std::string countLine(const RunRecord& run, const char* label, Outcome outcome, bool withNumbers) {
    const int n = run.count(outcome);
    std::string line = std::string(label) + std::to_string(n);
    if (withNumbers && n > 0) line += " (" + numbersOf(run, outcome) + ")";
    return line;
}

}  // namespace

std::string runCounts(const RunRecord& run) {
    std::string text = std::to_string(run.count(Outcome::Posted)) + " posted";
    auto add = [&](Outcome outcome, const char* words, bool withNumbers) {
        const int n = run.count(outcome);
        if (n == 0) return;
        text += ", " + std::to_string(n) + words;
        if (withNumbers) text += " (" + numbersOf(run, outcome) + ")";
    };
    add(Outcome::Refused, " refused", true);
    add(Outcome::AlreadyThere, " already in QuickBooks", false);
    add(Outcome::NoAnswer, " sent without an answer", true);
    add(Outcome::NotSent, " not sent", true);
    return text;
}

std::vector<std::string> runSummaryLines(const RunRecord& run) {
    return {importlog::kBlankLine,
            kSummaryHeading,
            importlog::ruleLine(),
            countLine(run, "Posted : ", Outcome::Posted, false),
            countLine(run, "Refused : ", Outcome::Refused, true),
            countLine(run, "Already in QuickBooks : ", Outcome::AlreadyThere, false),
            countLine(run, "Sent without an answer : ", Outcome::NoAnswer, true),
            countLine(run, "Not sent : ", Outcome::NotSent, true)};
}

std::vector<std::string> totalsFileSummaryLines(const std::string& totalsFile) {
    return {kTotalsFileMark + totalsFile, importlog::kBlankLine};
}

}  // namespace ztl
