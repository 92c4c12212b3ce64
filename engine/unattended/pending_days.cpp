#include "engine/unattended/pending_days.h"

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <iterator>

#include <fcntl.h>
#include <unistd.h>

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

}  // namespace ztl
