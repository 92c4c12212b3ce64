#include "engine/import/unanswered_requests.h"

#include "engine/company/import_log_reader.h"
#include "engine/import/kept_logs.h"
#include "platform/text_file.h"

namespace ztl {

std::map<std::string, std::string> unansweredInKeptLogs(const std::filesystem::path& log) {
    std::map<std::string, std::string> unanswered;
    for (const std::filesystem::path& kept : keptLogs(log)) {
        std::string bytes;
        try {
            bytes = readWholeFile(kept);
        } catch (const std::exception&) {
            continue;  // a kept log that cannot be read tells nothing
        }
        // Oldest first, each block in log order: the last word on a transaction stays.
        for (const importlog::LoggedTransaction& t : importlog::readLog(bytes).transactions) {
            if (t.outcome == TransactionRecord::Outcome::NoAnswer)
                unanswered[t.referenceNumber] = kept.filename().string();
            else
                unanswered.erase(t.referenceNumber);
        }
    }
    return unanswered;
}

}  // namespace ztl
