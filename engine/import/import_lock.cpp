#include "engine/import/import_lock.h"

#include <signal.h>
#include <unistd.h>
#include <strings.h>

#include <cerrno>
#include <chrono>
#include <system_error>

#include "platform/computer_name.h"
#include "platform/os_error.h"
#include "platform/text_file.h"

namespace fs = std::filesystem;

namespace ztl {
namespace {

bool sameWorkstation(const std::string& a, const std::string& b) {
    // Computer names are not case-sensitive.
    return !a.empty() && a.size() == b.size() && ::strncasecmp(a.data(), b.data(), a.size()) == 0;
}

bool processExists(long process) {
    return process > 0 && (::kill(static_cast<pid_t>(process), 0) == 0 || errno == EPERM);
}

// The lock file's text, or nothing when it is gone.
std::optional<std::string> readIfPresent(const fs::path& file) {
    try {
        return readWholeFile(file);
    } catch (const VbError& e) {
        if (e.number == vb::kFileNotFound) return std::nullopt;
        throw;
    }
}

// A lock whose text names nobody (its maker died before writing it, or it was damaged)
// counts as a run of an unknown workstation that began when the file was last written.
ImportRun unknownRun(const fs::path& file) {
    ImportRun run;
    std::error_code ec;
    auto written = fs::last_write_time(file, ec);
    if (!ec)
        run.started = std::chrono::duration_cast<std::chrono::seconds>(
                          std::chrono::file_clock::to_sys(written).time_since_epoch())
                          .count();
    return run;
}

}  // namespace


ImportRun thisProcessRun(const Clock& clock) {
    const LocalDateTime now = clock.now();
    return {computerName(), static_cast<long>(::getpid()), unixSeconds(now),
            clock.shortDate(now) + " " + clock.timeText(now)};
}

std::string importLockText(const ImportRun& run) {
    return "workstation=" + run.workstation + "\r\nprocess=" + std::to_string(run.process) +
           "\r\nstarted=" + std::to_string(run.started) + "\r\nsince=" + run.since + "\r\n";
}

std::optional<ImportRun> parseImportLock(std::string_view text) {
    ImportRun run;
    TextReader lines = TextReader::fromBytes(std::string(text));
    while (!lines.atEnd()) {
        std::string line = lines.readLine();
        size_t eq = line.find('=');
        if (eq == std::string::npos) continue;
        std::string name = line.substr(0, eq), value = line.substr(eq + 1);
        try {
            if (name == "workstation") run.workstation = value;
            if (name == "process") run.process = std::stol(value);
            if (name == "started") run.started = std::stoll(value);
            if (name == "since") run.since = value;
        } catch (const std::logic_error&) {
            return std::nullopt;  // a number that is none
        }
    }
    if (run.workstation.empty() || run.process <= 0) return std::nullopt;
    return run;
}

bool importRunHasDied(const ImportRun& holder, const std::string& thisWorkstation, std::int64_t now) {
    if (now - holder.started > kImportLockMaxAge) return true;
    // Left without its text: a lock that stayed so would hold the day back for a whole day.
    if (holder.workstation.empty() && holder.process <= 0 && now - holder.started > kUnnamedLockGrace) return true;
    return sameWorkstation(holder.workstation, thisWorkstation) && !processExists(holder.process);
}

ImportLock::ImportLock(fs::path lockFile, ImportRun self, std::int64_t now)
    : file_(std::move(lockFile)), self_(std::move(self)) {
    try {
        // A few rounds: a lock may vanish, or be taken over by another run, between looking
        // at it and acting on it.
        for (int round = 0; round < 3; ++round) {
            if (create()) {
                taken_ = true;
                return;
            }
            takeOverOrFindHeld(now);
            if (taken_ || other_) return;
        }
        if (!other_)
            failure_ = VbError(vb::kPermissionDenied, "ImportLock",
                               "The import lock " + file_.string() + " could not be taken");
    } catch (const VbError& e) {
        failure_ = e;
        other_.reset();
    }
}

ImportLock::~ImportLock() {
    release();
}

bool ImportLock::create() {
    std::optional<TextWriter> lock;
    try {
        lock.emplace(file_, TextWriter::Mode::CreateNew);
    } catch (const VbError& e) {
        if (e.number == vb::kFileAlreadyExists) return false;
        throw;
    }
    try {
        lock->write(importLockText(self_));
        lock->sync();
        lock->close();
    } catch (const VbError&) {
        std::error_code ec;
        fs::remove(file_, ec);
        throw;
    }
    return true;
}

// Looks at the lock that exists: a live run's lock is left alone (other_ names it); a dead
// run's lock is moved aside under a name of this run's own, which only one of several runs
// taking it over at once can do, and removed (other_ names the dead run, for the log).
void ImportLock::takeOverOrFindHeld(std::int64_t now) {
    std::optional<std::string> text = readIfPresent(file_);
    if (!text) return;
    ImportRun holder = parseImportLock(*text).value_or(unknownRun(file_));
    if (!importRunHasDied(holder, self_.workstation, now)) {
        other_ = holder;
        return;
    }
    fs::path aside = file_;
    aside += ".stale-" + self_.workstation + "-" + std::to_string(self_.process);
    if (::rename(file_.c_str(), aside.c_str()) != 0) {
        if (errno == ENOENT) return;  // another run moved it first
        throw vbErrorOfErrno(errno, "ImportLock");
    }
    std::optional<std::string> moved = readIfPresent(aside);
    if (moved != text) {
        // Between the look and the move another run took the dead lock over and made its
        // own: that one is live, so it goes back.
        ::rename(aside.c_str(), file_.c_str());
        other_ = moved ? parseImportLock(*moved).value_or(ImportRun{}) : ImportRun{};
        return;
    }
    std::error_code ec;
    fs::remove(aside, ec);
    if (create()) {
        taken_ = true;
        other_ = holder;
    }
}

void ImportLock::release() {
    if (!taken_) return;
    taken_ = false;
    try {
        if (readIfPresent(file_) == importLockText(self_)) fs::remove(file_);
    } catch (const std::exception& ex) {
        // It must not stop this run, whose work is done; the run reports it.
        releaseFailure_ = toVbError(ex);
    }
}

}  // namespace ztl
