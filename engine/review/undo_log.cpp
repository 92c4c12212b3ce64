#include "engine/review/undo_log.h"

#include <algorithm>

#include "engine/import/import_log.h"
#include "platform/trim.h"

namespace ztl::undolog {
namespace {

constexpr std::string_view kLogHeading = "Korvane Zentrel import log ";
constexpr std::string_view kTransaction = "Transaction : ";
constexpr std::string_view kInvoice = "    Invoice : ";
constexpr std::string_view kStatus = "Response Status Code : ";
constexpr std::string_view kSeverity = "Return StatusSeverity Code : ";
constexpr std::string_view kResultId = "Import result ID :";

std::vector<std::string> linesOf(const std::string& bytes) {
    std::vector<std::string> out;
    TextReader in = TextReader::fromBytes(bytes);
    while (!in.atEnd()) out.push_back(in.readLine());
    return out;
}

std::string trimmed(std::string_view s) {
    return std::string(trimmedView(s, kWhitespace));
}

std::string entryText(const LoggedEntry& e) {
    return e.txnId + "    Invoice : " + e.referenceNumber;
}

}  // namespace

ImportLogRecord readImportLog(const std::string& logBytes) {
    ImportLogRecord r;
    std::vector<std::string> lines = linesOf(logBytes);
    r.isImportLog = !lines.empty() && lines[0].starts_with(kLogHeading);
    LoggedEntry current;
    bool inBlock = false;
    auto add = [&](LoggedEntry e) {
        if (e.txnId.empty()) return;
        bool seen = std::any_of(r.entries.begin(), r.entries.end(),
                                [&](const LoggedEntry& x) { return x.txnId == e.txnId; });
        if (!seen) r.entries.push_back(std::move(e));
    };
    for (const auto& line : lines) {
        if (line.starts_with(kTransaction)) {
            auto invoice = line.find(kInvoice);
            current = {};
            inBlock = true;
            current.transactionNumber = std::atoi(line.c_str() + kTransaction.size());
            if (invoice != std::string::npos)
                current.referenceNumber = line.substr(invoice + kInvoice.size());
        } else if (inBlock && line.starts_with(importlog::kAlreadyPostedMark)) {
            std::string rest = line.substr(std::string_view(importlog::kAlreadyPostedMark).size());
            LoggedEntry e = current;
            e.txnId = trimmed(rest.substr(0, rest.find(" - ")));
            e.postedByThisRun = false;
            add(std::move(e));
        } else if (inBlock && line.starts_with(kStatus)) {
            auto severity = line.find(kSeverity);
            auto id = line.rfind(kResultId);
            if (id == std::string::npos) continue;
            std::string sev =
                severity == std::string::npos
                    ? std::string()
                    : trimmed(line.substr(severity + kSeverity.size(), id - severity - kSeverity.size()));
            LoggedEntry e = current;
            e.txnId = trimmed(line.substr(id + kResultId.size()));
            // An answer with an error carries no new entry, whatever else it says.
            if (sev != "Error") add(std::move(e));
        } else if (line.starts_with(kRemovedMark)) {
            std::string rest = line.substr(std::string_view(kRemovedMark).size());
            r.removed.insert(trimmed(rest.substr(0, rest.find("    Invoice : "))));
        }
    }
    return r;
}

std::string headingLine(const std::string& shortDate, const std::string& time) {
    return "Undo of this import " + shortDate + " : " + time;
}

std::string removedLine(const LoggedEntry& e) {
    return kRemovedMark + entryText(e);
}

std::string notRemovedLine(const LoggedEntry& e, const std::string& reason) {
    return "Not removed : TxnID " + entryText(e) + " - " + reason;
}

std::string notTouchedLine(const LoggedEntry& e, const std::string& reason) {
    return "Not touched : TxnID " + entryText(e) + " - " + reason;
}

}  // namespace ztl::undolog
