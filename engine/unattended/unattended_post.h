#pragma once
// One unattended run for one store's totals file (`ztl post`): nobody watches it, so it is
// stricter than a run an operator confirms and tells afterwards what it did. In order:
//   - one run per totals file at a time: a second run ends at once and does nothing;
//   - the totals file becomes a pending day before anything is posted (multi-store: then
//     archived, as after an interactive run; single-store: then removed, the copy being the
//     day), so that neither a run killed midway nor the store system writing the next day
//     over the file can lose it;
//   - QuickBooks must answer, with the company this store last posted into open (a store
//     that never posted is posted only when the first run is asked for);
//   - the pending days, oldest first (the file's own day among them): each checked before
//     posting, then imported with the duplicate guard (never without it); the first day that
//     cannot be posted whole stops the run, and it and every later day stay pending (posting
//     past a day held for the bookkeeper, when asked, the later days go on);
//   - a day QuickBooks holds whole leaves the pending folder, and its import logs with it.
// Messages the engine would show in a window are collected for the report instead.
#include <optional>
#include <string>
#include <vector>

#include "engine/company/run_record.h"
#include "engine/program.h"

namespace ztl {

struct PostOptions {
    bool firstRun = false;      // a store that never posted may post into the company open
    bool onlyIfClean = false;   // nothing is posted when the check flags anything
    bool webConnector = false;  // QuickBooks is reached through the Web Connector
    std::string store;          // how the message names the store; empty: from the file name
    // The totals file is posted once it has stayed unchanged this long; the run waits for
    // a file still being written.
    int settleSeconds = 0;
    // A day held for the bookkeeper (refused or flagged transactions) stays pending and the
    // later days are posted past it; otherwise days are posted strictly in order.
    bool pastHeld = false;
};

// What became of one day.
struct PostedDay {
    std::string source;     // the file it was posted from
    std::string dateText;   // "04/01/25"; "undated" when the file has no readable date
    bool wasPending = false;  // kept by an earlier run
    bool attempted = false;   // an import ran for it
    bool whole = false;       // QuickBooks holds every one of its transactions
    std::optional<RunRecord> run;
    std::vector<std::string> flagged;  // the check's findings, "101004: <reason>"
    std::string notPostedBecause;      // why no import ran, when none did
    std::string fate;                  // what became of its file, in words
    std::string logBytes;              // its import log, to attach
    std::string logName;
};

struct PostReport {
    enum class Status { AllPosted = 0, NeedsBookkeeper = 1, NothingDone = 2 };
    Status status = Status::NothingDone;
    std::string store;                 // "Store 12", or the totals file's name
    std::string reason;                // NothingDone: why, in a few words
    std::vector<PostedDay> days;       // in the order tried
    std::vector<std::string> pending;  // the pending days left, oldest first
    std::vector<std::string> messages; // what the engine would have shown in a window
    std::vector<std::string> nextSteps;
    bool lockHeld = false;             // another run had this totals file: it tells instead

    // "Store 12, 04/01/25: 7 posted, 2 refused (101004, 101006)".
    std::string headline() const;
};

// `program` must carry the settings, the request processors and the clock; its prompter is
// replaced for the run by one that collects what would have been shown.
PostReport postUnattended(Program& program, const std::string& totalsPath, const PostOptions& options);

}  // namespace ztl
