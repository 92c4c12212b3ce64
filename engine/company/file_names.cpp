#include "engine/company/file_names.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <system_error>

#include "platform/paths.h"
#include "platform/vb_error.h"

namespace fs = std::filesystem;

namespace ztl {
namespace {

bool allDigits(std::string_view s) {
    return !s.empty() && std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
}

}  // namespace

std::string importlog::logPathFor(const std::string& totalsPath) {
    if (totalsPath.size() < kTotalsFileTail.size()) throw vbError(vb::kInvalidProcedureCall);
    return totalsPath.substr(0, totalsPath.size() - kTotalsFileTail.size()) + std::string(kImportLogTail);
}

std::string totalsPathOfLog(const std::string& logPath) {
    std::string_view path = logPath;
    if (const size_t dot = path.find_last_of('.'); dot != std::string_view::npos && allDigits(path.substr(dot + 1)))
        path = path.substr(0, dot);
    if (!path.ends_with(kImportLogTail)) return {};
    return std::string(path.substr(0, path.size() - kImportLogTail.size())) + std::string(kTotalsFileTail);
}

fs::path keptLogPath(const fs::path& log, long number) {
    fs::path kept = log;
    kept += "." + std::to_string(number);
    return kept;
}

std::optional<long> keptLogNumber(std::string_view fileName, std::string_view logFileName) {
    if (fileName.size() <= logFileName.size() + 1 || !fileName.starts_with(logFileName) ||
        fileName[logFileName.size()] != '.')
        return std::nullopt;
    const std::string_view digits = fileName.substr(logFileName.size() + 1);
    long n = 0;
    auto [stop, error] = std::from_chars(digits.data(), digits.data() + digits.size(), n);
    if (error != std::errc() || stop != digits.data() + digits.size() || n <= 0) return std::nullopt;
    return n;
}

fs::path importLockPath(const fs::path& totalsFile) {
    fs::path lock = totalsFile;
    lock += ".lock";
    return lock;
}

fs::path postLockPath(const fs::path& totalsFile) {
    fs::path lock = totalsFile;
    lock += ".post.lock";
    return lock;
}

std::string archiveName(const std::string& path, const LocalDateTime& t) {
    return path + std::to_string(t.month) + std::to_string(t.day) + std::to_string(t.year) +
           std::to_string(t.hour) + std::to_string(t.minute);
}

bool isArchiveStamp(std::string_view rest) {
    std::string_view stamp = rest;
    if (const size_t dot = rest.find('.'); dot != std::string_view::npos) {
        stamp = rest.substr(0, dot);
        if (!allDigits(rest.substr(dot + 1))) return false;
    }
    return allDigits(stamp) && stamp.size() >= 8 && stamp.size() <= 12;
}

int archiveTakenNumber(std::string_view rest) {
    const size_t dot = rest.find('.');
    if (dot == std::string_view::npos) return 0;
    int n = 0;
    std::from_chars(rest.data() + dot + 1, rest.data() + rest.size(), n);
    return n;
}

fs::path pendingFolder(const fs::path& totalsFile) {
    return totalsFile.parent_path() / kPendingFolderName;
}

std::string pendingDayName(const std::string& isoDate, int copy, const std::string& totalsName) {
    return isoDate + " " + (copy == 1 ? "" : "(" + std::to_string(copy) + ") ") + totalsName;
}

bool isIsoDate(std::string_view s) {
    if (s.size() != 10 || s[4] != '-' || s[7] != '-') return false;
    for (size_t i : {0, 1, 2, 3, 5, 6, 8, 9})
        if (s[i] < '0' || s[i] > '9') return false;
    return true;
}

bool isPendingDayOf(const std::string& pendingName, const std::string& totalsName) {
    if (pendingName.size() < 12 || !isIsoDate(pendingName.substr(0, 10)) || pendingName[10] != ' ') return false;
    std::string rest = pendingName.substr(11);
    if (rest == totalsName) return true;
    // "(2) 12X390.QB"
    if (rest.size() < 4 || rest[0] != '(') return false;
    size_t close = rest.find(") ");
    if (close == std::string::npos || close < 2) return false;
    for (size_t i = 1; i < close; ++i)
        if (rest[i] < '0' || rest[i] > '9') return false;
    return rest.substr(close + 2) == totalsName;
}

std::string incompleteDayName(const std::string& isoDate, const std::string& totalsName) {
    return isoDate + " " + totalsName + ".incomplete";
}

std::optional<fs::path> totalsFileOfPendingDay(const fs::path& file) {
    if (file.parent_path().filename() != kPendingFolderName) return std::nullopt;
    const std::string name = file.filename().string();
    if (name.size() < 12 || !isIsoDate(std::string_view(name).substr(0, 10)) || name[10] != ' ') return std::nullopt;
    std::string totals = name.substr(11);
    if (totals.starts_with('(')) {
        const size_t close = totals.find(") ");
        if (close == std::string::npos) return std::nullopt;
        totals = totals.substr(close + 2);
    }
    if (!isPendingDayOf(name, totals)) return std::nullopt;
    return file.parent_path().parent_path() / totals;
}

namespace {

// The store number in front of "X390.QB" (any case of the tail): "12" for "12X390.QB" and
// for its archives ("12X390.QB392026145"); empty when the name is no numbered store's.
std::string storeNumberOf(std::string name) {
    std::string upper = name;
    for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    if (const size_t tail = upper.rfind(kTotalsFileTail);
        tail != std::string::npos &&
        isArchiveStamp(std::string_view(name).substr(tail + kTotalsFileTail.size())))
        name.resize(tail + kTotalsFileTail.size());
    if (name.size() <= kTotalsFileTail.size()) return {};
    const std::string head = name.substr(0, name.size() - kTotalsFileTail.size());
    for (char c : head)
        if (c < '0' || c > '9') return {};
    for (size_t i = 0; i < kTotalsFileTail.size(); ++i)
        if (std::toupper(static_cast<unsigned char>(name[head.size() + i])) != kTotalsFileTail[i]) return {};
    return head;
}

}  // namespace

bool numberedStore(const std::string& totalsPath) {
    return !storeNumberOf(paths::map(totalsPath).filename().string()).empty();
}

std::string storeLabel(const std::string& totalsPath) {
    const std::string name = paths::map(totalsPath).filename().string();
    if (std::string number = storeNumberOf(name); !number.empty()) return "Store " + number;
    if (name == kTotalsFileTail) return "The store";
    return name;
}

}  // namespace ztl
