#pragma once
// The record of every unattended run, kept per store for the bookkeeper's console: what the
// run did, day by day, long after its journal line and its message are gone, and a copy of
// each day's import log, which outlives the kept logs beside the totals file (those are
// renamed and moved as days come and go).
//
// Under the state folder, one folder per store, named by the store's key:
//   runs/<key>/store.json           {"totalsFile": as ztl post was given it,
//                                    "localFile": that file on this machine, "label": "Store 12"}
//   runs/<key>/runs.jsonl           a line as a run begins, one as it ends; appended, flushed
//   runs/<key>/<run id> <n>.log     the import log of the run's n-th day (1, 2, ...)
// A run writes its line when it begins (no end yet) and again when it ends: a run killed on
// the way keeps the first, and the console says it never ended. A line cut short by a killed
// writer is skipped by the reader; the next writer starts a new line after it. The newest
// kRunsKept runs are kept, with their logs; older ones go as a run is added.
#include <chrono>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <nlohmann/json.hpp>

#include "engine/unattended/unattended_post.h"

namespace ztl {

inline constexpr const char* kRunsFolderName = "runs";
inline constexpr const char* kStoreOfRunsName = "store.json";
inline constexpr const char* kRunsFileName = "runs.jsonl";
inline constexpr std::size_t kRunsKept = 800;

// A store's key: the first 12 hex digits of the SHA-256 of its totals file's path, as the
// timer and ztl post name it. It names the store's folder here and in the console's addresses.
std::string storeKey(const std::string& totalsPath);
bool isStoreKey(std::string_view text);
// "20261208T213005Z-1": the run's start in UTC and a counter; ids sort as the runs started.
bool isRunId(std::string_view text);

// A transaction the day could not post, and why.
struct RunTransaction {
    std::string reference;  // the invoice number
    std::string kind;       // "refused", "flagged" (by the check), "not sent", "no answer"
    std::string code;       // QuickBooks' status code, when it answered
    std::string severity;
    std::string message;    // QuickBooks' message, or why it was not sent
};

struct RunDay {
    std::string date;      // "2025-04-01"; empty when the day's file has no readable date
    std::string dateText;  // "04/01/25", as the journal line says it
    bool attempted = false;
    bool whole = false;    // QuickBooks holds all of it
    std::string notPostedBecause;
    std::vector<RunTransaction> transactions;
    std::string log;       // the copy of its import log, "<run id> <n>.log"; empty: none
    std::string logName;   // the log's own name beside the totals file, "12QBImport.log"
    std::string logBytes;  // the log itself, written as `log` when the run is added; not read back
};

struct RunCounts {
    int posted = 0, refused = 0, alreadyThere = 0, notSent = 0, noAnswer = 0;
};

struct RunEntry {
    std::string id;     // given when the run is first added
    std::string start;  // "2026-12-08T21:30:05Z"
    std::string end;    // empty: the run has not said how it ended (running, or killed)
    int exitStatus = 2;
    std::string headline;
    RunCounts counts;
    std::string mail;        // "sent", "not wanted" or "not handed over"
    std::string unsentMail;  // the kept message's file name, when it was not handed over
    std::string reason;      // why nothing was done, when nothing was
    bool lockHeld = false;   // another run had the file
    std::vector<std::string> pending;  // the pending days left, "2025-04-01", oldest first
    std::vector<RunDay> days;
};

// "2026-12-08T21:30:05Z": a run's start and end as the record keeps them.
std::string recordTime(std::chrono::system_clock::time_point t);

nlohmann::json toJson(const RunCounts& counts);
nlohmann::json toJson(const RunEntry& run);
// Throws nlohmann::json::exception for a line that is no run.
RunEntry runEntryFromJson(const nlohmann::json& line);

// What a report says, for the record; the times, the exit status and the mail are the
// caller's to fill in.
RunEntry runEntryOf(const PostReport& report);

struct StoreOfRuns {
    std::string totalsFile;  // as ztl post was given it: the key is made of it
    std::string localFile;   // the file on this machine, absolute
    std::string label;
};

// $XDG_STATE_HOME/zentrel/runs (the state folder's).
std::filesystem::path runsFolder();

// Adds `run` to the store's history under `runs`: gives it its id (returned) unless it has
// one already (the end of a run added when it began), writes its day logs, then its line,
// flushed, and drops the oldest runs beyond kRunsKept with their logs. One writer at a time
// per store. Throws std::runtime_error saying what could not be written.
std::string addRun(const std::filesystem::path& runs, const StoreOfRuns& store, RunEntry run);

// The store a history folder is of; none when its store.json is missing or unreadable.
std::optional<StoreOfRuns> readStoreOfRuns(const std::filesystem::path& storeFolder);
// The runs of a history's text, oldest first by id: a line that is not a whole run (a write
// cut short, a line damaged by hand) is skipped, never fatal.
std::vector<RunEntry> runsFromText(const std::string& text);
// The history folder of the store whose totals file is `totals` as given on the command line,
// or, given another way, whose store.json names the same file on this machine; none when no
// run of it is recorded under `runs`.
std::optional<std::filesystem::path> historyOf(const std::filesystem::path& runs, const std::string& totals,
                                               const std::filesystem::path& localFile);
// The runs of a history folder, as runsFromText reads them.
std::vector<RunEntry> readRuns(const std::filesystem::path& storeFolder);

}  // namespace ztl
