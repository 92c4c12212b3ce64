#include "qbwc/console/store_action_files.h"

#include <algorithm>
#include <fstream>
#include <functional>
#include <iterator>
#include <sstream>

#include "engine/company/file_names.h"
#include "engine/company/import_log.h"
#include "engine/company/totals_archives.h"
#include "engine/import/kept_logs.h"
#include "engine/review/undo_log.h"
#include "engine/unattended/pending_days.h"

namespace fs = std::filesystem;

namespace ztl::qbwc {

namespace {

std::optional<ListedFile> listed(const fs::path& path) {
    std::error_code ec;
    if (!fs::is_regular_file(path, ec)) return std::nullopt;
    const auto written = fs::last_write_time(path, ec);
    if (ec) return std::nullopt;
    return ListedFile{path, path.filename().string(), std::chrono::time_point_cast<std::chrono::system_clock::duration>(fs::file_time_type::clock::to_sys(written))};
}

std::string bytesOf(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

std::string hashText(const std::string& text) {
    return std::to_string(std::hash<std::string>{}(text));
}

// The log and its kept logs, of the totals file or of one pending day.
void addLogs(std::vector<ListedLog>& logs, const fs::path& dataFile, const std::string& day) {
    fs::path log;
    try {
        log = importlog::logPathFor(dataFile.string());
    } catch (const std::exception&) {
        return;  // a name no import log is made for
    }
    std::vector<fs::path> found = keptLogs(log);
    found.push_back(log);
    for (const fs::path& path : found) {
        std::optional<ListedFile> file = listed(path);
        if (!file) continue;
        const std::string bytes = bytesOf(path);
        const undolog::ImportLogRecord record = undolog::readImportLog(bytes);
        ListedLog entry{*file, day, {}, 0, 0, hashText(bytes)};
        for (const auto& e : record.entries) {
            if (!e.postedByThisRun) continue;
            ++entry.posted;
            if (record.removed.count(e.txnId)) ++entry.removed;
        }
        const std::string heading = bytes.substr(0, bytes.find_first_of("\r\n"));
        if (heading.starts_with(importlog::kHeadingMark))
            entry.runTime = heading.substr(std::string(importlog::kHeadingMark).size());
        logs.push_back(std::move(entry));
    }
}

}  // namespace

std::vector<ListedFile> reconcilableFiles(const fs::path& totalsFile) {
    std::vector<ListedFile> files;
    if (auto own = listed(totalsFile)) files.push_back(*own);
    for (const std::string& archive : archivesOf(totalsFile.string()))
        if (auto file = listed(archive)) files.push_back(*file);
    return files;
}

std::vector<ListedLog> undoableLogs(const fs::path& totalsFile) {
    std::vector<ListedLog> logs;
    addLogs(logs, totalsFile, "");
    for (const PendingDay& d : pendingDaysOf(totalsFile)) addLogs(logs, d.file, d.date);
    std::stable_sort(logs.begin(), logs.end(),
                     [](const ListedLog& a, const ListedLog& b) { return a.file.written > b.file.written; });
    return logs;
}

std::optional<LogEntries> undoableLog(const fs::path& totalsFile, const std::string& name) {
    for (ListedLog& log : undoableLogs(totalsFile)) {
        if (log.file.name != name) continue;
        LogEntries found{log, {}};
        // The entries and the fingerprint from one reading: the form then carries what it shows.
        const std::string bytes = bytesOf(log.file.path);
        found.log.fingerprint = hashText(bytes);
        const undolog::ImportLogRecord record = undolog::readImportLog(bytes);
        for (const auto& e : record.entries)
            if (e.postedByThisRun)
                found.entries.push_back({e.transactionNumber, e.referenceNumber, e.txnId, record.removed.count(e.txnId) > 0});
        return found;
    }
    return std::nullopt;
}

std::string listFingerprint(const std::vector<ListedFile>& files) {
    std::string names;
    for (const auto& f : files) names += f.path.string() + '\n';
    return hashText(names);
}

}  // namespace ztl::qbwc
