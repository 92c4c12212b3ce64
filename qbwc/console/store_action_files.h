#pragma once
// The files of one store that the console's actions may name: the totals files a reconcile
// reads (the file itself and its archives beside it) and the import logs an undo reads (the
// log beside the totals file, its kept logs, and the pending days' logs). The browser picks
// one of these lists' entries, by position or by file name looked up in the list: nothing
// it sends is ever used as a path.
#include <chrono>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace ztl::qbwc {

struct ListedFile {
    std::filesystem::path path;
    std::string name;  // the file's name, as the page shows it
    std::chrono::system_clock::time_point written;
};

// The totals file when it is there, then its archives, newest first.
std::vector<ListedFile> reconcilableFiles(const std::filesystem::path& totalsFile);

struct ListedLog {
    ListedFile file;
    std::string day;      // the pending day a log is of ("2026-12-01"); empty: the totals file's
    std::string runTime;  // as the log's heading gives it; empty when it has none
    int posted = 0;       // entries its run posted
    int removed = 0;      // of those, removed by an undo since
    std::string fingerprint;  // of the log's bytes when listed: a log written anew since differs
};

// Newest first.
std::vector<ListedLog> undoableLogs(const std::filesystem::path& totalsFile);

// The entries a log records as posted by its run, as an undo of it would list them.
struct PostedByRun {
    int transaction = 0;
    std::string invoice;
    std::string txnId;
    bool removed = false;  // an undo removed it since
};
struct LogEntries {
    ListedLog log;
    std::vector<PostedByRun> entries;
};
// The log of that name in undoableLogs, with its entries; none when no listed log has it.
std::optional<LogEntries> undoableLog(const std::filesystem::path& totalsFile, const std::string& name);

// A list's entries told apart from another moment's list: a form carries the one it was shown
// with, so that a list changed meanwhile is shown again rather than acted on.
std::string listFingerprint(const std::vector<ListedFile>& files);

}  // namespace ztl::qbwc
