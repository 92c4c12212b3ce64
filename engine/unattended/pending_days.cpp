#include "engine/unattended/pending_days.h"

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <iterator>

#include <fcntl.h>
#include <unistd.h>

#include <set>

#include "engine/import/kept_logs.h"
#include "engine/totals/store_day.h"
#include "platform/vb_error.h"

namespace fs = std::filesystem;

namespace ztl {
namespace {


std::optional<std::string> readWhole(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    if (!in) return std::nullopt;
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// Writes a new file (never over another) and flushes it to disk; false when that failed,
// and then nothing of it is left. The bytes go to a hidden name first and take the day's
// name only once they are all on disk: a run killed while writing leaves no copy that
// looks like a day, only the hidden one, which the next run writes anew.
bool writeNewFile(const fs::path& target, const std::string& bytes) {
    const fs::path partial = target.parent_path() / ("." + target.filename().string() + ".partial");
    int fd = ::open(partial.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) return false;
    size_t done = 0;
    bool ok = true;
    while (ok && done < bytes.size()) {
        ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n <= 0) ok = false;
        else done += static_cast<size_t>(n);
    }
    ok = ::fsync(fd) == 0 && ok;
    ok = ::close(fd) == 0 && ok;
    // The unattended run's lock keeps every other run out of this store's days meanwhile.
    std::error_code ec;
    ok = ok && !fs::exists(target, ec) && !ec && ::rename(partial.c_str(), target.c_str()) == 0;
    if (!ok) ::unlink(partial.c_str());
    return ok;
}

// Renames without ever replacing a file at `to`: where the file system cannot say so in one
// step, a name found free is taken at once.
std::error_code moveNoReplace(const fs::path& from, const fs::path& to) {
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return {};
    if (errno != EINVAL && errno != ENOSYS) return {errno, std::generic_category()};
    std::error_code ec;
    if (fs::exists(to, ec)) return std::make_error_code(std::errc::file_exists);
    fs::rename(from, to, ec);
    return ec;
}

std::set<std::string> invoiceNumbers(const std::string& bytes) {
    std::set<std::string> numbers;
    for (const DayBlock& b : StoreDay::fromBytes(bytes).blocks)
        if (!b.lines.empty()) numbers.insert(b.referenceNumber);
    return numbers;
}

std::vector<PendingDay> listPending(const fs::path& totalsFile, bool onlyThisStore) {
    std::vector<PendingDay> days;
    std::error_code ec;
    fs::path folder = pendingFolder(totalsFile);
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        if (!it->is_regular_file(ec)) continue;
        std::string name = it->path().filename().string();
        if (name.size() < 12 || !isIsoDate(name.substr(0, 10)) || name[10] != ' ') continue;
        if (onlyThisStore && !isPendingDayOf(name, totalsFile.filename().string())) continue;
        days.push_back({it->path(), name.substr(0, 10)});
    }
    // The date first; within a day, the copy kept first (" (2)" sorts after the plain name
    // only when compared by length before text).
    std::sort(days.begin(), days.end(), [](const PendingDay& a, const PendingDay& b) {
        std::string na = a.file.filename().string(), nb = b.file.filename().string();
        if (a.date != b.date) return a.date < b.date;
        if (na.size() != nb.size()) return na.size() < nb.size();
        return na < nb;
    });
    return days;
}

}  // namespace


std::string isoDate(const CalendarDate& date) {
    char text[16];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d", date.year, date.month, date.day);
    return text;
}


std::vector<PendingDay> pendingDaysOf(const fs::path& totalsFile) {
    return listPending(totalsFile, true);
}

std::vector<PendingDay> pendingDaysBeside(const fs::path& totalsFile) {
    return listPending(totalsFile, false);
}

fs::path keepPendingDay(const fs::path& totalsFile, const std::string& date, const std::string& bytes) {
    fs::path folder = pendingFolder(totalsFile);
    std::error_code ec;
    fs::create_directories(folder, ec);
    const std::string name = totalsFile.filename().string();
    for (int n = 1; n < 1000; ++n) {
        fs::path target = folder / pendingDayName(date, n, name);
        if (fs::exists(target, ec)) {
            if (readWhole(target) == bytes) return target;
            continue;
        }
        if (!writeNewFile(target, bytes)) break;
        if (readWhole(target) == bytes) return target;
        fs::remove(target, ec);
        break;
    }
    VbError e = vbError(vb::kPathFileAccessError);
    e.description += " (" + folder.string() + ")";
    throw e;
}

std::vector<std::string> pendingDayLines(const fs::path& totalsFile, const std::string& named) {
    std::vector<std::string> lines;
    for (const PendingDay& d : pendingDaysOf(totalsFile)) {
        const std::shared_ptr<const StoreDay> day = walkTotalsFile(d.file.string());
        const int n = day ? day->transactionsWithLines() : 0;
        lines.push_back("Pending day " + d.date + " (" + std::to_string(n) + (n == 1 ? " transaction" : " transactions") +
                        ", kept as " + d.file.string() + "): ztl post " + named +
                        " posts it, the oldest pending day first.");
    }
    return lines;
}

std::vector<PendingDay> pendingDaysReplacedBy(const fs::path& totalsFile, const std::string& date,
                                              const std::string& bytes) {
    std::vector<PendingDay> replaced;
    const std::set<std::string> numbers = invoiceNumbers(bytes);
    for (const PendingDay& d : pendingDaysOf(totalsFile)) {
        if (d.date != date) continue;
        std::optional<std::string> kept = readWhole(d.file);
        if (!kept || *kept == bytes) continue;
        const std::set<std::string> keptNumbers = invoiceNumbers(*kept);
        if (std::any_of(keptNumbers.begin(), keptNumbers.end(), [&](const std::string& n) { return numbers.count(n); }))
            replaced.push_back(d);
    }
    return replaced;
}

fs::path archiveKeptCopy(const fs::path& copy, const fs::path& totalsFile, const Clock& clock) {
    const std::string base = archiveName(totalsFile.string(), clock.now());
    std::error_code ec;
    for (int n = 0; n < 1000; ++n) {
        const fs::path archive = n == 0 ? fs::path(base) : fs::path(base + "." + std::to_string(n));
        ec = moveNoReplace(copy, archive);
        if (!ec) return archive;
        if (ec != std::errc::file_exists) break;
    }
    throw VbError(vb::kPathFileAccessError, "Zentrel",
                  copy.string() + " could not be moved to " + base + " (" + ec.message() + ")");
}

std::vector<std::string> moveDayLogs(const fs::path& pendingCopy, const fs::path& totalsFile) {
    std::vector<std::string> moved;
    fs::path dayLog, storeLog;
    try {
        dayLog = importlog::logPathFor(pendingCopy.string());
        storeLog = importlog::logPathFor(totalsFile.string());
    } catch (const std::exception&) {
        return moved;  // a name no import log is made for
    }
    std::vector<fs::path> logs = keptLogs(dayLog);
    std::error_code ec;
    if (fs::is_regular_file(dayLog, ec)) logs.push_back(dayLog);
    long last = 0;
    for (const fs::path& k : keptLogs(storeLog))
        last = std::max(last, keptLogNumber(k.filename().string(), storeLog.filename().string()).value_or(0));
    for (const fs::path& log : logs) {
        ec = std::make_error_code(std::errc::file_exists);
        for (int tries = 0; tries < 1000 && ec == std::errc::file_exists; ++tries) {
            const fs::path target = keptLogPath(storeLog, ++last);
            ec = moveNoReplace(log, target);
            if (!ec) moved.push_back("its import log is kept as " + target.string());
        }
        if (ec) moved.push_back("its import log could not be moved: " + log.string() + " (" + ec.message() + ")");
    }
    return moved;
}

}  // namespace ztl
