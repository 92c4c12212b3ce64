#include "engine/import/run_summary.h"

#include <algorithm>

#include "engine/company/file_names.h"
#include "engine/company/import_log.h"
#include "engine/totals/posted_sums.h"
#include "platform/paths.h"
#include "platform/trim.h"

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

std::vector<std::string> dayRecordLines(const RunRecord& run) {
    std::vector<std::string> lines;
    // A pending day's copy is its store's day. The single-store edition's "X390.QB" has no
    // number: its one store goes without a line, the company line names where it posts.
    std::string totals = totalsPathOfLog(run.logPath);
    if (auto store = totalsFileOfPendingDay(paths::map(totals)); store && !totals.empty())
        totals = store->string();
    if (!totals.empty() && numberedStore(totals)) lines.push_back("Store : " + storeLabel(totals));
    if (!run.companyFile.empty()) lines.push_back("Company : " + run.companyFile);
    if (!run.day) return lines;
    std::vector<std::string> dates;
    for (const DayBlock& b : run.day->blocks) {
        if (b.lines.empty() || !b.date) continue;
        const std::string date = trimmed(b.dateText);
        if (std::find(dates.begin(), dates.end(), date) == dates.end()) dates.push_back(date);
    }
    if (!dates.empty()) {
        std::string line = dates.size() == 1 ? "Business date : " : "Business dates : ";
        for (size_t i = 0; i < dates.size(); ++i) line += (i ? ", " : "") + dates[i];
        lines.push_back(line);
    }
    const PostedSums sums = postedSums(*run.day);
    lines.push_back("Debits of the day : " + plainAmount(sums.debits));
    lines.push_back("Credits of the day : " + plainAmount(sums.credits));
    return lines;
}

std::vector<std::string> runSummaryLines(const RunRecord& run) {
    std::vector<std::string> lines = {importlog::kBlankLine, kSummaryHeading, importlog::ruleLine()};
    for (std::string& line : dayRecordLines(run)) lines.push_back(std::move(line));
    for (std::string line : {countLine(run, "Posted : ", Outcome::Posted, false),
                             countLine(run, "Refused : ", Outcome::Refused, true),
                             countLine(run, "Already in QuickBooks : ", Outcome::AlreadyThere, false),
                             countLine(run, "Sent without an answer : ", Outcome::NoAnswer, true),
                             countLine(run, "Not sent : ", Outcome::NotSent, true)})
        lines.push_back(std::move(line));
    return lines;
}

std::vector<std::string> totalsFileSummaryLines(const std::string& totalsFile) {
    return {kTotalsFileMark + totalsFile, importlog::kBlankLine};
}

}  // namespace ztl
