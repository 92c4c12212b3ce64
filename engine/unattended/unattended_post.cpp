#include "engine/unattended/unattended_post.h"

#include <unistd.h>

#include <cstdio>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <thread>
#include <chrono>

#include "engine/import/archive_file.h"
#include "engine/company/company_session.h"
#include "engine/company/company_memory.h"
#include "engine/company/file_names.h"
#include "engine/company/operation_log.h"
#include "engine/import/import_day.h"
#include "engine/import/import_lock.h"
#include "engine/company/import_settings.h"
#include "engine/company/quickbooks_check.h"
#include "engine/import/run_summary.h"
#include "engine/company/settings_keys.h"
#include "engine/import/totals_file_fate.h"
#include "engine/review/check_run.h"
#include "engine/totals/store_day.h"
#include "engine/unattended/collected_messages.h"
#include "engine/unattended/pending_days.h"
#include "platform/paths.h"
#include "platform/text_file.h"
#include "platform/vb_error.h"

namespace fs = std::filesystem;

namespace ztl {
namespace {

std::optional<std::string> bytesOf(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    if (!in) return std::nullopt;
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

std::string usDate(const CalendarDate& d) {
    char text[16];
    std::snprintf(text, sizeof text, "%02d/%02d/%02d", d.month, d.day, d.year % 100);
    return text;
}

// True once the file has stayed unchanged `seconds`, waiting for that; false when it kept
// changing for three times as long. A file that cannot be looked at is not waited for: its
// reading tells what is wrong with it.
bool settledFile(const fs::path& file, int seconds) {
    if (seconds <= 0) return true;
    const auto settle = std::chrono::seconds(seconds);
    const auto giveUp = std::chrono::steady_clock::now() + 3 * settle;
    while (true) {
        std::error_code ec;
        const auto written = fs::last_write_time(file, ec);
        if (ec) return true;
        const auto age = fs::file_time_type::clock::now() - written;
        if (age >= settle) return true;
        const auto now = std::chrono::steady_clock::now();
        if (now >= giveUp) return false;
        std::this_thread::sleep_for(std::min<std::chrono::nanoseconds>(settle - age, giveUp - now));
    }
}

// A day's bytes walked once, to be handed to the check and the import.
std::shared_ptr<const StoreDay> walk(const std::string& bytes) {
    return std::make_shared<const StoreDay>(StoreDay::fromBytes(bytes));
}

// What every day of one run shares.
struct Run {
    Program& p;
    const std::string& totalsPath;
    const PostOptions& options;
    std::string company;      // the company QuickBooks has open
    std::string sessionFile;  // the company every session names: empty, the one open
    ChartReading chart;       // the chart, for the check
};

// Checks and imports one day; true when QuickBooks holds all of it.
bool postDay(Run& r, PostedDay& day, const std::string& source, const std::shared_ptr<const StoreDay>& storeDay) {
    TotalsCheck check = checkBeforeImport(r.p, r.sessionFile, source, r.chart, storeDay);
    bool blocking = !check.incomplete.empty();
    for (const auto& t : check.transactions) {
        using O = TransactionVerdict::Outcome;
        if (t.outcome == O::Posted || t.outcome == O::AlreadyThere) continue;
        if (t.outcome != O::NoLines) blocking = true;
        day.flagged.push_back(t.refNumber + ": " + t.reason);
    }
    if (!check.incomplete.empty()) day.flagged.push_back("the check could not be completed: " + check.incomplete);
    if (r.options.onlyIfClean && blocking) {
        day.notPostedBecause = "the check before posting flagged transactions, and only a clean day is posted";
        return false;
    }
    day.attempted = true;
    const bool single = r.p.edition == Edition::SingleStore;
    DayOutcome done = importDay(r.p, {.day = storeDay,
                                      .source = source,
                                      .store = r.totalsPath,
                                      .companyFile = single ? r.sessionFile : r.company,
                                      .settleFile = false});
    if (!done.notRun.empty()) {
        day.attempted = false;
        day.notPostedBecause = done.notRun;
        return false;
    }
    if (!done.run) {
        day.notPostedBecause = "the import ended with an error";
        return false;
    }
    const RunRecord& run = *done.run;
    if (single && !run.stoppedUnasked && !run.lockHeldElsewhere) rememberCompany(r.p, r.totalsPath, r.company);
    if (!run.logPath.empty()) {
        fs::path log = paths::map(run.logPath);
        day.logBytes = bytesOf(log).value_or("");
        day.logName = log.filename().string();
    }
    day.run = run;
    day.whole = done.whole;
    return day.whole;
}

void note(Program& p, const std::string& text) {
    if (!p.operationLogPath.empty()) appendOperationLog(p.operationLogPath, operationLogEntry(*p.clock, text));
}

// The store system wrote a day again that a pending copy holds (corrected after the
// bookkeeper's message): the new file takes the copy's place, and the copy moves to an
// archive beside the totals file, so that it no longer holds back the days after it.
void replacePendingDays(Program& p, const fs::path& totals, const std::string& iso, const std::string& bytes,
                        PostedDay& day) {
    for (const PendingDay& old : pendingDaysReplacedBy(totals, iso, bytes)) {
        try {
            const fs::path archive = archiveKeptCopy(old.file, totals, *p.clock);
            std::string logs;
            for (const std::string& log : moveDayLogs(old.file, totals)) logs += "; " + log;
            day.fate += (day.fate.empty() ? "" : "; ") + std::string("the totals file replaces the pending copy ") +
                        old.file.string() + " of the same day, now kept as " + archive.string() + logs;
            note(p, "ztl post " + totals.string() + ": the store system wrote the day " + iso + " again; its pending "
                    "copy " + old.file.string() + " is replaced and kept as " + archive.string() + logs);
        } catch (const std::exception& ex) {
            day.fate += (day.fate.empty() ? "" : "; ") + std::string("the pending copy ") + old.file.string() +
                        " of the same day could not be replaced (" + toVbError(ex).description + ")";
        }
    }
}

// An incomplete copy the day's file no longer holds as its beginning (the store system wrote
// the day afresh rather than finishing it) is kept as an archive; one the file continues is
// only an earlier state of it and goes. Says what became of it, when it was there.
std::string retireIncompleteCopy(Program& p, const fs::path& totals, const fs::path& incomplete,
                                 const std::string& bytes) {
    std::optional<std::string> kept = bytesOf(incomplete);
    if (!kept) return {};
    std::error_code ec;
    if (bytes.starts_with(*kept)) {
        fs::remove(incomplete, ec);
        return {};
    }
    try {
        const fs::path archive = archiveKeptCopy(incomplete, totals, *p.clock);
        note(p, "ztl post " + totals.string() + ": the incomplete copy " + incomplete.string() +
                    " is not the beginning of the totals file found now; it is kept as " + archive.string());
        return "the incomplete copy kept earlier, which the file no longer begins with, is kept as " + archive.string();
    } catch (const std::exception& ex) {
        return "the incomplete copy kept earlier could not be archived (" + toVbError(ex).description + ")";
    }
}

// A day the run could take no further, for reasons only the bookkeeper can mend (refused or
// flagged transactions): later days do not depend on it. A day that stopped for want of
// QuickBooks, a lost answer or another run's lock is not one of them.
bool heldForBookkeeper(const PostedDay& day) {
    if (!day.run) return !day.flagged.empty() && !day.notPostedBecause.empty();
    const RunRecord& run = *day.run;
    return run.reachedEnd && !run.stoppedUnasked && !run.lockHeldElsewhere &&
           run.count(RunRecord::Outcome::NoAnswer) == 0;
}

// The day's file was imported by hand today (a window's Import, or ztl import): its import log
// beside it was written today. Says so, with the log's time; nothing otherwise.
std::optional<std::string> importedToday(const fs::path& totals, const Clock& clock) {
    fs::path log;
    try {
        log = importlog::logPathFor(totals.string());
    } catch (const std::exception&) {
        return std::nullopt;
    }
    std::error_code ec;
    const auto written = fs::last_write_time(log, ec);
    if (ec || !fs::is_regular_file(log, ec)) return std::nullopt;
    const std::time_t t = std::chrono::system_clock::to_time_t(fs::file_time_type::clock::to_sys(written));
    std::tm local{};
    localtime_r(&t, &local);
    const LocalDateTime now = clock.now();
    if (local.tm_year + 1900 != now.year || local.tm_mon + 1 != now.month || local.tm_mday != now.day)
        return std::nullopt;
    char at[8];
    std::snprintf(at, sizeof at, "%02d:%02d", local.tm_hour, local.tm_min);
    return "no totals file: the day was imported by hand today (its import log " + log.string() + " is of " + at + ")";
}

void addStep(PostReport& report, const std::string& step) {
    for (const auto& s : report.nextSteps)
        if (s == step) return;
    report.nextSteps.push_back(step);
}

void stepsFor(PostReport& report, const PostedDay& day) {
    if (!day.notPostedBecause.empty() && !day.flagged.empty())
        addStep(report, "Correct what the check flagged (the reasons above): add the account, customer or vendor "
                        "in QuickBooks, or have the store correct its totals. The next run posts the day.");
    if (!day.run) return;
    const RunRecord& run = *day.run;
    if (run.count(RunRecord::Outcome::Refused) > 0)
        addStep(report, "Correct what QuickBooks refused (the reasons above and the attached log). The next run "
                        "posts what is still missing; what is posted already is not posted again.");
    if (run.count(RunRecord::Outcome::NoAnswer) > 0)
        addStep(report, "An entry was sent and no answer came back: look in QuickBooks whether it is there. The next "
                        "run asks QuickBooks first and does not post it twice.");
    if (run.stoppedUnasked)
        addStep(report, "QuickBooks could not be asked which transactions it holds already, so nothing was posted. "
                        "The next run tries again.");
    if (run.lockHeldElsewhere)
        addStep(report, "Another workstation was importing this totals file. The next run posts what is missing.");
}

void quickBooksNotReached(PostReport& report, const PostOptions& options) {
    report.reason = options.webConnector ? "QuickBooks not reached through the Web Connector" : "QuickBooks not reached";
    if (options.webConnector)
        addStep(report,
                "When no Web Connector called before the deadline (the reasons below say), check on the PC with "
                "QuickBooks that: the Windows "
                "user is logged on; the Web Connector is running, with Auto-Run on for Zentrel; the PC is awake "
                "(not asleep or hibernating); QuickBooks lets Zentrel in without anyone there (its integrated "
                "applications preferences).");
    else
        addStep(report, "Make sure QuickBooks runs with the store's company open. The next run posts the day.");
}

}  // namespace

std::string PostReport::headline() const {
    std::string text = store;
    if (lockHeld) return text + ": " + reason;
    std::string daysText;
    for (const auto& d : days) {
        std::string what = d.run ? runCounts(*d.run) : "nothing posted";
        if (!d.attempted && !d.notPostedBecause.empty() && d.flagged.size())
            what = "nothing posted, " + std::to_string(d.flagged.size()) + " flagged";
        daysText += (daysText.empty() ? "" : "; ") + d.dateText + ": " + what;
    }
    if (!daysText.empty()) text += ", " + daysText;
    if ((status == Status::NothingDone || daysText.empty()) && !reason.empty())
        text += (daysText.empty() ? ": " : ", ") + reason;
    if (!pending.empty())
        text += " (" + std::to_string(pending.size()) + (pending.size() == 1 ? " day" : " days") + " pending)";
    return text;
}

namespace {

PostReport postDays(Program& program, const std::string& totalsPath, const PostOptions& options) {
    PostReport report;
    report.store = options.store.empty() ? storeLabel(totalsPath) : options.store;
    CollectedMessages collected;
    Prompter* watched = program.prompter;
    program.prompter = &collected;
    // Absolute, so that the message names the copies wherever the run was started from.
    const fs::path local = fs::absolute(paths::map(totalsPath));

    auto finish = [&]() -> PostReport {
        for (const auto& d : pendingDaysOf(local)) report.pending.push_back(d.file.string());
        if (!report.pending.empty() && !report.lockHeld)
            addStep(report, "Each later run posts the pending days first, oldest first (ztl pending lists them).");
        for (const auto& text : collected.texts()) report.messages.push_back(text);
        program.prompter = watched;
        return report;
    };
    if (!program.clock || !program.settings) {
        report.reason = "the program has no clock or settings";
        return finish();
    }

    // One unattended run per totals file: a second one would post the pending days again.
    std::error_code ec;
    fs::path runLock = postLockPath(local);
    ImportLock lock(runLock, thisProcessRun(*program.clock), unixSeconds(program.clock->now()));
    auto heldBy = [](const ImportLock& l, const fs::path& file) {
        return l.otherRun() ? "since " + l.otherRun()->since + " on " + l.otherRun()->workstation
                            : "(its lock " + file.string() + " could not be made)";
    };
    // A lock no run holds and that could not be made is no other run: the folder of the
    // totals file cannot be written. Nothing is posted then, but the day is still kept
    // where it can be, and the bookkeeper told why.
    std::optional<std::string> unwritable;
    if (!lock.taken() && !lock.otherRun() && lock.failure()) {
        unwritable = "the folder " + local.parent_path().string() + " cannot be written (" +
                     lock.failure()->description + ")";
        // A first run that posts nothing remembers no company: the timer's next run, without
        // --first-run, would post nothing either.
        const bool firstStillToRun = options.firstRun && lastCompanyOf(program, totalsPath).empty();
        addStep(report, "Let the account that runs ztl post write in " + local.parent_path().string() +
                            " (the store system's share: its mount options or the account's rights there). " +
                            (firstStillToRun ? "Then, with its company open in QuickBooks, run once more: "
                                               "ztl post --first-run " + totalsPath
                                             : std::string("The next run posts the day.")));
    } else if (!lock.taken()) {
        report.lockHeld = true;
        report.reason = "another unattended run has been posting this file " + heldBy(lock, runLock);
        return finish();
    }

    // Before anything is posted, the totals file becomes a pending day: a run killed midway,
    // or the store system writing the next day over the file, cannot lose it then. Meanwhile
    // the file's import lock keeps a window's import of it away.
    std::optional<PostedDay> todays;
    std::optional<fs::path> todayCopy;
    std::string totalsFileFate;  // what became of the totals file once its day was kept
    std::string todayNotes;      // what became of earlier copies of the day the file replaces
    // A file without a single transaction (empty, cut short, not a totals file at all) would
    // stay pending for ever and hold back every later day: it stays where it is for a look.
    std::optional<PostedDay> emptyFile;
    std::string incompleteFate;  // what became of an incomplete copy the whole file replaces
    if (fs::is_directory(local, ec)) {
        report.status = PostReport::Status::NothingDone;
        report.reason = "the totals file " + local.string() + " is a folder, not a file";
        addStep(report, "Look at " + local.string() + ": the store system writes its totals file there. Move the "
                        "folder away; the next run posts the day once the store system has written it.");
        return finish();
    }
    const bool settled = settledFile(local, options.settleSeconds);
    std::optional<std::string> today = bytesOf(local);
    const std::shared_ptr<const StoreDay> todayWalked = today ? walk(*today) : nullptr;
    if (todayWalked && todayWalked->lineRuns == 0) {
        emptyFile.emplace();
        emptyFile->source = totalsPath;
        emptyFile->dateText = "undated";
        emptyFile->notPostedBecause = "the totals file holds no transaction (it may not be a totals file)";
        emptyFile->fate = "the totals file stays where it is";
        addStep(report, "Look at " + local.string() + ": it holds no transaction to post. The store system's next "
                        "end-of-day run writes a new one over it.");
        today.reset();
    }
    // A file the store system is still writing, or whose writing stopped half way, is not the
    // whole day: nothing of it is posted, and a copy is kept where the store system's next run
    // cannot write over it. The whole day, once it is there, takes that copy's place.
    if (today) {
        std::optional<std::string> notWhole = todayWalked->notWhole();
        if (!notWhole && !settled)
            notWhole = "it kept changing for " + std::to_string(3 * options.settleSeconds) + " seconds: it is still being written";
        const LocalDateTime now = program.clock->now();
        const std::string iso = isoDate(todayWalked->first.value_or(CalendarDate{now.year, now.month, now.day}));
        const fs::path incomplete = pendingFolder(local) / incompleteDayName(iso, local.filename().string());
        if (notWhole) {
            PostedDay d;
            d.source = totalsPath;
            d.dateText = todayWalked->first ? usDate(*todayWalked->first) : "undated";
            d.notPostedBecause = "the totals file may not be the whole day: " + *notWhole;
            try {
                fs::create_directories(pendingFolder(local));
                const std::string earlier = retireIncompleteCopy(program, local, incomplete, *today);
                // An earlier copy that could not be archived is not written over.
                if (fs::exists(incomplete, ec) && !today->starts_with(bytesOf(incomplete).value_or(*today))) {
                    d.fate = "stays where it is; no new copy was kept: " + earlier;
                } else {
                    writeWholeFile(incomplete, *today);
                    d.fate = "stays where it is; a copy is kept as " + incomplete.string() +
                             (earlier.empty() ? "" : "; " + earlier);
                }
            } catch (const std::exception& ex) {
                d.fate = "stays where it is; no copy could be kept (" + toVbError(ex).description + ")";
            }
            addStep(report, "Look at " + local.string() + ": " + *notWhole + ". When the store system's end-of-day "
                            "run has finished (run it again if it stopped), the next run posts the whole day. The "
                            "file as it was found is kept as " + incomplete.string() + ".");
            report.days.push_back(d);
            report.status = PostReport::Status::NothingDone;
            report.reason = d.notPostedBecause;
            return finish();
        }
        incompleteFate = retireIncompleteCopy(program, local, incomplete, *today);
    }
    if (today) {
        PostedDay d;
        d.source = totalsPath;
        d.fate = incompleteFate;
        std::optional<CalendarDate> date = todayWalked->first;
        d.dateText = date ? usDate(*date) : "undated";
        ImportLock fileLock(importLockPath(local), thisProcessRun(*program.clock), unixSeconds(program.clock->now()));
        // A window importing the file, or a folder that cannot be written: nothing is posted,
        // but the day is kept pending where it can be, so that the store system's next run
        // cannot take it.
        std::optional<std::string> stop = unwritable;
        if (!stop && !fileLock.taken() && fileLock.otherRun()) {
            stop = "the totals file is being imported " + heldBy(fileLock, importLockPath(local));
            addStep(report, "An import of the totals file (a window's, or ztl import) was going on: let it finish. "
                            "The next run posts from the kept day what that import left out, nothing twice.");
        } else if (!stop && !fileLock.taken()) {
            stop = "the import lock " + importLockPath(local).string() + " could not be made" +
                   (fileLock.failure() ? " (" + fileLock.failure()->description + ")" : "");
            addStep(report, "See why " + importLockPath(local).string() + " cannot be made; the next run posts the day.");
        }
        LocalDateTime now = program.clock->now();
        const std::string iso = isoDate(date.value_or(CalendarDate{now.year, now.month, now.day}));
        try {
            replacePendingDays(program, local, iso, *today, d);
            todayNotes = d.fate;
            todayCopy = keepPendingDay(local, iso, *today);
            if (stop) {
                totalsFileFate = "the totals file stays where it is";
            } else if (bytesOf(local) != today) {
                totalsFileFate = "the totals file changed meanwhile and stays for the next run";
            } else if (program.edition == Edition::MultiStore) {
                // As after an interactive run: the totals file moves to its archive name.
                std::optional<ArchivedFile> archive = ArchiveFile(totalsPath, *program.clock);
                totalsFileFate = archive ? "the totals file is archived as " + archive->name
                                         : "the totals file could not be archived and stays where it is";
            } else {
                // The single-store edition keeps no archive of a day: the pending copy is the day.
                fs::remove(local, ec);
                totalsFileFate = ec ? "the totals file could not be removed and stays where it is"
                                    : "the totals file is removed";
            }
            d.fate = d.fate + (d.fate.empty() ? "" : "; ") + "kept pending as " + todayCopy->string() + "; " +
                     totalsFileFate;
        } catch (const std::exception& ex) {
            std::string why = toVbError(ex).description;
            d.fate = "could not be kept pending (" + why + "): the totals file stays where it is";
            d.notPostedBecause = stop.value_or("the day could not be copied to " + pendingFolder(local).string());
            addStep(report, "Copy " + local.string() + " somewhere safe before the store system writes the next "
                            "day over it, and see why " + pendingFolder(local).string() + " cannot be made or "
                            "written (" + why + ").");
            report.days.push_back(d);
            report.reason = stop.value_or("the day could not be kept pending");
            report.status = PostReport::Status::NothingDone;
            return finish();
        }
        if (stop) {
            d.notPostedBecause = *stop;
            report.days.push_back(d);
            report.reason = *stop;
            report.status = PostReport::Status::NothingDone;
            return finish();
        }
        todays = d;
    }

    auto nothingDone = [&](const std::string& reason) {
        report.status = PostReport::Status::NothingDone;
        if (report.reason.empty()) report.reason = reason;
        if (todays) {
            todays->notPostedBecause = report.reason;
            report.days.push_back(*todays);
        }
        if (emptyFile) report.days.push_back(*emptyFile);
        return finish();
    };

    // Without the lock no day is posted: another run could post the same days meanwhile.
    if (unwritable) return nothingDone(*unwritable);

    std::vector<PendingDay> pending = pendingDaysOf(local);
    if (pending.empty()) {
        if (emptyFile) return nothingDone("the totals file holds no transaction");
        // The day's file is gone because someone imported it by hand: nothing is wrong.
        if (std::optional<std::string> byHand = importedToday(local, *program.clock)) {
            report.status = PostReport::Status::AllPosted;
            report.reason = *byHand;
            return finish();
        }
        addStep(report, "Check that the store system's end-of-day run wrote the totals file.");
        return nothingDone("no totals file at " + totalsPath);
    }

    std::optional<std::string> open = CheckQBConnection(program);
    if (!open) {
        quickBooksNotReached(report, options);
        return nothingDone(report.reason);
    }
    Run run{program, totalsPath, options, *open, "", {}};
    if (program.edition == Edition::MultiStore)
        program.settingsSection = companySettingsSection(*open);
    else
        run.sessionFile = program.settings->get(kSettingsApp, program.settingsSection, key::kCompany, "");

    if (std::string last = lastCompanyOf(program, totalsPath); last.empty()) {
        if (!options.firstRun) {
            addStep(report, "This store has not posted before. With its company open in QuickBooks, run once: "
                            "ztl post --first-run " + totalsPath);
            return nothingDone("the store has not posted before");
        }
    } else if (std::optional<std::string> warning = wrongCompanyWarning(program, totalsPath, *open)) {
        report.messages.push_back(*warning);
        addStep(report, "Open the company " + last + " in QuickBooks. If the store now posts into " + *open +
                            ", run once: ztl post --first-run " + totalsPath);
        return nothingDone("another company is open: " + *open);
    }
    if (!duplicateGuardOn(program)) {
        addStep(report, "Set DuplicateCheck back on: a run nobody watches never posts without asking QuickBooks "
                        "first.");
        return nothingDone("the duplicate check is off");
    }
    {
        CompanySession session(program, run.sessionFile);
        const ChartLoad& load = session.loadChart();
        if (load.chart)
            run.chart.chart = load.chart;
        else
            program.showMessage(load.failure);
    }

    // The days in order; the first that cannot be posted whole stops the run, unless the run
    // is to post past a day held for the bookkeeper: that day stays pending, the later go on.
    bool stopped = false, held = false;
    std::string heldDate;  // the day held that stopped the run
    for (const PendingDay& p : pending) {
        const bool isToday = todayCopy && p.file == *todayCopy;
        PostedDay day = isToday ? *todays : PostedDay{};
        if (!isToday) {
            day.source = p.file.string();
            day.wasPending = true;
        }
        std::optional<std::string> bytes = bytesOf(p.file);
        const std::shared_ptr<const StoreDay> walked = isToday && bytes == today ? todayWalked : walk(bytes.value_or(""));
        std::optional<CalendarDate> date = bytes ? walked->first : std::nullopt;
        day.dateText = date ? usDate(*date)
                            : p.date.substr(5, 2) + "/" + p.date.substr(8, 2) + "/" + p.date.substr(2, 2);
        const std::string before = isToday && !todayNotes.empty() ? todayNotes + "; " : "";
        if (stopped) {
            day.notPostedBecause = "an earlier day is still pending, and days are posted in order";
            day.fate = before + "stays pending as " + p.file.string() + (isToday ? "; " + totalsFileFate : "");
            if (!heldDate.empty())
                addStep(report, "To post the later days now, while the day " + heldDate + " stays pending for the "
                                "bookkeeper: ztl post --past-held " + totalsPath + " (every night: ztl post set "
                                "PostPastHeld yes).");
        } else if (postDay(run, day, p.file.string(), walked)) {
            fs::remove(p.file, ec);
            std::string done = ec ? "posted, but its pending copy could not be removed: " + ec.message()
                                  : "posted; its pending copy is removed";
            day.fate = before + (isToday && !ec ? "posted; " + totalsFileFate : done);
            // The day's logs leave the pending folder with it, to the store's own kept logs.
            if (!ec)
                for (const std::string& log : moveDayLogs(p.file, local)) day.fate += "; " + log;
        } else {
            day.fate = before + "stays pending as " + p.file.string() + (isToday ? "; " + totalsFileFate : "");
            if (options.pastHeld && heldForBookkeeper(day)) {
                held = true;
            } else {
                stopped = true;
                if (heldForBookkeeper(day)) heldDate = p.date;
            }
            stepsFor(report, day);
            // The way out when the day cannot be mended: its later days wait behind it.
            addStep(report, "A day that is not to be posted after all (the store will correct it another way) leaves "
                            "the queue with: ztl pending " + totalsPath + " --drop " + p.date +
                            " (its copy is kept beside the totals file).");
        }
        stepsFor(report, day);
        report.days.push_back(day);
    }

    // A run whose every import found QuickBooks unable to say what it holds posted nothing.
    bool onlyUnasked = false;
    for (const auto& d : report.days) {
        if (!d.run) continue;
        onlyUnasked = d.run->stoppedUnasked;
        if (!onlyUnasked) break;
    }
    if (emptyFile) report.days.push_back(*emptyFile);
    if (!stopped && !held && !emptyFile) {
        report.status = PostReport::Status::AllPosted;
    } else if (onlyUnasked) {
        report.status = PostReport::Status::NothingDone;
        report.reason = "QuickBooks could not be asked what it holds";
    } else {
        report.status = PostReport::Status::NeedsBookkeeper;
    }
    return finish();
}

}  // namespace

PostReport postUnattended(Program& program, const std::string& totalsPath, const PostOptions& options) {
    Prompter* watched = program.prompter;
    try {
        return postDays(program, totalsPath, options);
    } catch (const std::exception& ex) {
        // Whatever stopped the run (a folder or file that cannot be read, a name that is a
        // folder) is reported as the run's own outcome, for the journal and the mail, rather
        // than ending the program with a library's words.
        program.prompter = watched;
        PostReport report;
        report.store = options.store.empty() ? storeLabel(totalsPath) : options.store;
        report.status = PostReport::Status::NothingDone;
        report.reason = "the run stopped on an error: " + toVbError(ex).description;
        report.nextSteps.push_back("Look at " + totalsPath + " and the folder it is in: the run could not go on (" +
                                   toVbError(ex).description + "). Nothing more was posted; the next run tries again.");
        try {
            for (const auto& d : pendingDaysOf(fs::absolute(paths::map(totalsPath)))) report.pending.push_back(d.file.string());
        } catch (const std::exception&) {
        }
        return report;
    }
}

}  // namespace ztl
