#include "engine/unattended/run_history.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <openssl/evp.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstring>
#include <ctime>
#include <fstream>
#include <iterator>
#include <map>
#include <set>
#include <stdexcept>

#include "engine/unattended/pending_days.h"
#include "platform/paths.h"
#include "platform/store_date.h"
#include "platform/windows1252.h"

namespace fs = std::filesystem;

namespace ztl {
namespace {

constexpr const char* kLockName = ".lock";

std::runtime_error failure(const std::string& what, const fs::path& file) {
    return std::runtime_error(what + " " + file.string() + " (" + std::strerror(errno) + ")");
}

// A file opened for writing, closed however the writer leaves.
class WriteFile {
  public:
    WriteFile(const fs::path& file, int flags) : file_(file), fd_(::open(file.c_str(), flags | O_CLOEXEC, 0644)) {
        if (fd_ < 0) throw failure("the run history cannot open", file);
    }
    ~WriteFile() {
        if (fd_ >= 0) ::close(fd_);
    }
    WriteFile(const WriteFile&) = delete;
    WriteFile& operator=(const WriteFile&) = delete;

    void write(std::string_view bytes) {
        while (!bytes.empty()) {
            ssize_t n = ::write(fd_, bytes.data(), bytes.size());
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) throw failure("the run history cannot write", file_);
            bytes.remove_prefix(static_cast<size_t>(n));
        }
    }
    void flush() {
        if (::fsync(fd_) != 0) throw failure("the run history cannot flush", file_);
    }
    int fd() const { return fd_; }

  private:
    fs::path file_;
    int fd_;
};

// One writer per store at a time: a run that found the lock held ends while the run holding
// it may be adding its own record.
class HistoryLock {
  public:
    explicit HistoryLock(const fs::path& folder) : file_(folder / kLockName, O_WRONLY | O_CREAT) {
        while (::flock(file_.fd(), LOCK_EX) != 0)
            if (errno != EINTR) throw failure("the run history cannot lock", folder / kLockName);
    }

  private:
    WriteFile file_;
};

std::string readAll(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// A new file in full, under its name only once it is all on disk.
void replaceWhole(const fs::path& file, std::string_view bytes) {
    const fs::path partial = file.parent_path() / ("." + file.filename().string() + ".partial");
    {
        WriteFile out(partial, O_WRONLY | O_CREAT | O_TRUNC);
        out.write(bytes);
        out.flush();
    }
    if (::rename(partial.c_str(), file.c_str()) != 0) throw failure("the run history cannot write", file);
}

bool isUtf8(std::string_view text) {
    for (size_t i = 0; i < text.size();) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        const size_t length = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 0;
        if (length == 0 || i + length > text.size() || (length == 2 && c < 0xC2)) return false;
        for (size_t k = 1; k < length; ++k)
            if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80) return false;
        i += length;
    }
    return true;
}

// The record is UTF-8 JSON; the run's texts are the engine's single-byte Windows-1252 (a
// QuickBooks message, a name from the totals file), save what already is UTF-8 (a path, a
// store named on the command line).
std::string recordText(const std::string& text) {
    return isUtf8(text) ? text : windows1252ToUtf8(text);
}

std::string isoOfDateText(const std::string& dateText) {
    try {
        return isoDate(readStoreDate(dateText));
    } catch (const std::exception&) {
        return {};
    }
}

std::string dateOfDay(const PostedDay& day) {
    // A pending day's copy is named by its date: that name is the one the console drops by.
    if (day.wasPending) {
        const std::string name = fs::path(day.source).filename().string();
        if (name.size() > 10 && isIsoDate(std::string_view(name).substr(0, 10))) return name.substr(0, 10);
    }
    return isoOfDateText(day.dateText);
}

const char* kindOf(TransactionRecord::Outcome outcome) {
    using O = TransactionRecord::Outcome;
    switch (outcome) {
        case O::Refused: return "refused";
        case O::NotSent: return "not sent";
        case O::NoAnswer: return "no answer";
        default: return nullptr;
    }
}

long counterOf(std::string_view id) {
    return std::strtol(std::string(id.substr(id.find('-') + 1)).c_str(), nullptr, 10);
}

bool idBefore(const RunEntry& a, const RunEntry& b) {
    const std::string_view at = std::string_view(a.id).substr(0, 16), bt = std::string_view(b.id).substr(0, 16);
    return at != bt ? at < bt : counterOf(a.id) < counterOf(b.id);
}

// "20261208T213005Z" of "2026-12-08T21:30:05Z".
std::string idStamp(const std::string& start) {
    std::string stamp;
    for (char c : start)
        if (c != '-' && c != ':') stamp += c;
    return stamp.size() == 16 ? stamp : std::string("00000000T000000Z");
}

// The id number of a log copy's name, "<run id> <n>.log"; none for any other file.
std::optional<std::string> runIdOfLog(const std::string& name) {
    const size_t blank = name.find(' ');
    if (blank == std::string::npos || !name.ends_with(".log")) return std::nullopt;
    if (!isRunId(std::string_view(name).substr(0, blank))) return std::nullopt;
    return name.substr(0, blank);
}

std::string dumped(const nlohmann::json& value) {
    // A text from QuickBooks or a file need not be UTF-8: such a byte is kept as U+FFFD rather
    // than losing the run.
    return value.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

// A count or a status of the record; `absent` when the line has none. A number no writer
// writes (a fraction, one beyond an int) makes the line no run rather than a count made up.
int wholeNumber(const nlohmann::json& object, const char* key, int absent) {
    const auto found = object.find(key);
    if (found == object.end()) return absent;
    if (found->is_number_integer()) {
        const auto value = found->get<std::int64_t>();
        if (found->is_number_unsigned() ? found->get<std::uint64_t>() <= INT_MAX
                                        : value >= INT_MIN && value <= INT_MAX)
            return static_cast<int>(value);
    }
    throw nlohmann::json::type_error::create(302, std::string(key) + " is not a whole number the record writes",
                                             found.operator->());
}

}  // namespace

std::vector<RunEntry> runsFromText(const std::string& text) {
    std::vector<RunEntry> runs;
    size_t at = 0;
    while (at < text.size()) {
        size_t end = text.find('\n', at);
        // A last line without its line end is a write cut short: not a run yet.
        if (end == std::string::npos) break;
        try {
            RunEntry run = runEntryFromJson(nlohmann::json::parse(text.begin() + at, text.begin() + end));
            if (isRunId(run.id)) runs.push_back(std::move(run));
        } catch (const nlohmann::json::exception&) {
        }
        at = end + 1;
    }
    std::stable_sort(runs.begin(), runs.end(), idBefore);
    // A run begun and then ended has two lines: the later one says how it ended.
    std::vector<RunEntry> once;
    std::map<std::string, size_t> placeOf;
    for (RunEntry& run : runs) {
        if (auto seen = placeOf.find(run.id); seen != placeOf.end()) {
            once[seen->second] = std::move(run);
        } else {
            placeOf.emplace(run.id, once.size());
            once.push_back(std::move(run));
        }
    }
    return once;
}

std::string storeKey(const std::string& totalsPath) {
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int size = 0;
    EVP_Digest(totalsPath.data(), totalsPath.size(), digest, &size, EVP_sha256(), nullptr);
    static const char* hex = "0123456789abcdef";
    std::string key;
    for (unsigned int i = 0; i < 6; ++i) {
        key += hex[digest[i] >> 4];
        key += hex[digest[i] & 15];
    }
    return key;
}

bool isStoreKey(std::string_view text) {
    return text.size() == 12 && text.find_first_not_of("0123456789abcdef") == std::string_view::npos;
}

bool isRunId(std::string_view text) {
    // YYYYMMDDTHHMMSSZ-N, N of one to six digits.
    if (text.size() < 18 || text.size() > 23 || text[8] != 'T' || text[15] != 'Z' || text[16] != '-') return false;
    for (size_t i = 0; i < text.size(); ++i) {
        if (i == 8 || i == 15 || i == 16) continue;
        if (text[i] < '0' || text[i] > '9') return false;
    }
    return true;
}

std::string recordTime(std::chrono::system_clock::time_point t) {
    const std::time_t seconds = std::chrono::system_clock::to_time_t(t);
    std::tm at{};
    gmtime_r(&seconds, &at);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &at);
    return text;
}

nlohmann::json toJson(const RunCounts& counts) {
    return {{"posted", counts.posted},
            {"refused", counts.refused},
            {"alreadyInQuickBooks", counts.alreadyThere},
            {"notSent", counts.notSent},
            {"noAnswer", counts.noAnswer}};
}

nlohmann::json toJson(const RunEntry& run) {
    using nlohmann::json;
    json days = json::array();
    for (const RunDay& d : run.days) {
        json transactions = json::array();
        for (const RunTransaction& t : d.transactions)
            transactions.push_back({{"reference", t.reference},
                                    {"kind", t.kind},
                                    {"code", t.code},
                                    {"severity", t.severity},
                                    {"message", t.message}});
        days.push_back({{"date", d.date},
                        {"dateText", d.dateText},
                        {"attempted", d.attempted},
                        {"whole", d.whole},
                        {"notPostedBecause", d.notPostedBecause},
                        {"transactions", transactions},
                        {"log", d.log},
                        {"logName", d.logName}});
    }
    return {{"id", run.id},
            {"start", run.start},
            {"end", run.end},
            {"exitStatus", run.exitStatus},
            {"headline", run.headline},
            {"counts", toJson(run.counts)},
            {"mail", run.mail},
            {"unsentMail", run.unsentMail},
            {"reason", run.reason},
            {"lockHeld", run.lockHeld},
            {"pending", run.pending},
            {"days", days}};
}

RunEntry runEntryFromJson(const nlohmann::json& j) {
    RunEntry run;
    run.id = j.at("id").get<std::string>();
    run.start = j.value("start", "");
    run.end = j.value("end", "");
    run.exitStatus = wholeNumber(j, "exitStatus", 2);
    run.headline = j.value("headline", "");
    if (const auto c = j.find("counts"); c != j.end() && c->is_object()) {
        run.counts.posted = wholeNumber(*c, "posted", 0);
        run.counts.refused = wholeNumber(*c, "refused", 0);
        run.counts.alreadyThere = wholeNumber(*c, "alreadyInQuickBooks", 0);
        run.counts.notSent = wholeNumber(*c, "notSent", 0);
        run.counts.noAnswer = wholeNumber(*c, "noAnswer", 0);
    }
    run.mail = j.value("mail", "");
    run.unsentMail = j.value("unsentMail", "");
    run.reason = j.value("reason", "");
    run.lockHeld = j.value("lockHeld", false);
    run.pending = j.value("pending", std::vector<std::string>{});
    for (const auto& d : j.value("days", nlohmann::json::array())) {
        RunDay day;
        day.date = d.value("date", "");
        day.dateText = d.value("dateText", "");
        day.attempted = d.value("attempted", false);
        day.whole = d.value("whole", false);
        day.notPostedBecause = d.value("notPostedBecause", "");
        day.log = d.value("log", "");
        day.logName = d.value("logName", "");
        for (const auto& t : d.value("transactions", nlohmann::json::array()))
            day.transactions.push_back({t.value("reference", ""), t.value("kind", ""), t.value("code", ""),
                                        t.value("severity", ""), t.value("message", "")});
        run.days.push_back(std::move(day));
    }
    return run;
}

RunEntry runEntryOf(const PostReport& report) {
    RunEntry run;
    run.headline = recordText(report.headline());
    run.reason = recordText(report.reason);
    run.lockHeld = report.lockHeld;
    for (const std::string& file : report.pending) {
        const std::string name = fs::path(file).filename().string();
        if (name.size() > 10 && isIsoDate(std::string_view(name).substr(0, 10))) run.pending.push_back(name.substr(0, 10));
    }
    for (const PostedDay& posted : report.days) {
        RunDay day;
        day.date = dateOfDay(posted);
        day.dateText = recordText(posted.dateText);
        day.attempted = posted.attempted;
        day.whole = posted.whole;
        day.notPostedBecause = recordText(posted.notPostedBecause);
        day.logName = recordText(posted.logName);
        day.logBytes = posted.logBytes;
        if (posted.run) {
            using O = TransactionRecord::Outcome;
            const RunRecord& r = *posted.run;
            run.counts.posted += r.count(O::Posted);
            run.counts.refused += r.count(O::Refused);
            run.counts.alreadyThere += r.count(O::AlreadyThere);
            run.counts.notSent += r.count(O::NotSent);
            run.counts.noAnswer += r.count(O::NoAnswer);
            for (const TransactionRecord& t : r.transactions)
                if (const char* kind = kindOf(t.outcome))
                    day.transactions.push_back({recordText(t.referenceNumber), kind, recordText(t.statusCode),
                                                recordText(t.statusSeverity),
                                                recordText(t.statusMessage.empty() ? t.reason : t.statusMessage)});
        }
        // What the check found, where the run's own answer for the transaction does not say more.
        for (const std::string& flagged : posted.flagged) {
            const size_t colon = flagged.find(": ");
            const std::string reference = recordText(colon == std::string::npos ? std::string() : flagged.substr(0, colon));
            if (!reference.empty() && std::any_of(day.transactions.begin(), day.transactions.end(),
                                                  [&](const RunTransaction& t) { return t.reference == reference; }))
                continue;
            day.transactions.push_back({reference, "flagged", "", "",
                                        recordText(colon == std::string::npos ? flagged : flagged.substr(colon + 2))});
        }
        run.days.push_back(std::move(day));
    }
    return run;
}

fs::path runsFolder() {
    return paths::stateFolder() / kRunsFolderName;
}

std::string addRun(const fs::path& runs, const StoreOfRuns& store, RunEntry run) {
    const fs::path folder = runs / storeKey(store.totalsFile);
    std::error_code ec;
    fs::create_directories(folder, ec);
    if (ec) throw std::runtime_error("the run history cannot make the folder " + folder.string() + " (" + ec.message() + ")");
    HistoryLock lock(folder);

    const nlohmann::json storeJson = {
        {"totalsFile", store.totalsFile}, {"localFile", store.localFile}, {"label", store.label}};
    if (std::optional<StoreOfRuns> known = readStoreOfRuns(folder);
        !known || known->localFile != store.localFile || known->label != store.label)
        replaceWhole(folder / kStoreOfRunsName, dumped(storeJson) + "\n");

    const fs::path file = folder / kRunsFileName;
    const std::string text = readAll(file);
    std::vector<RunEntry> kept = runsFromText(text);

    if (run.id.empty()) {
        const std::string stamp = idStamp(run.start);
        long counter = 0;
        for (const RunEntry& r : kept)
            if (r.id.starts_with(stamp)) counter = std::max(counter, counterOf(r.id));
        run.id = stamp + "-" + std::to_string(counter + 1);
    } else if (!isRunId(run.id)) {
        throw std::runtime_error("the run history was given no run id but \"" + run.id + "\"");
    }

    // The logs first: a run's line never names a log that is not there.
    for (size_t n = 0; n < run.days.size(); ++n) {
        RunDay& day = run.days[n];
        if (day.logBytes.empty()) continue;
        day.log = run.id + " " + std::to_string(n + 1) + ".log";
        replaceWhole(folder / day.log, day.logBytes);
    }
    {
        WriteFile out(file, O_WRONLY | O_CREAT | O_APPEND);
        // A line a killed writer left without its end stays a line of its own, skipped.
        if (!text.empty() && text.back() != '\n') out.write("\n");
        out.write(dumped(toJson(run)) + "\n");
        out.flush();
    }

    // The end of a begun run takes the place of its beginning.
    auto begun = std::find_if(kept.begin(), kept.end(), [&](const RunEntry& r) { return r.id == run.id; });
    if (begun != kept.end())
        *begun = run;
    else
        kept.push_back(run);
    // Written anew once its lines pass the bound: the runs beyond it go, and each run begun
    // and ended keeps one line.
    if (static_cast<size_t>(std::count(text.begin(), text.end(), '\n')) + 1 > kRunsKept) {
        std::stable_sort(kept.begin(), kept.end(), idBefore);
        if (kept.size() > kRunsKept)
            kept.erase(kept.begin(), kept.end() - static_cast<std::ptrdiff_t>(kRunsKept));
        std::string lines;
        std::set<std::string> ids;
        for (const RunEntry& r : kept) {
            lines += dumped(toJson(r)) + "\n";
            ids.insert(r.id);
        }
        replaceWhole(file, lines);
        // The logs of the runs let go, and any a killed writer left that no run names.
        for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
            std::optional<std::string> id = runIdOfLog(it->path().filename().string());
            std::error_code gone;
            if (id && !ids.contains(*id)) fs::remove(it->path(), gone);
        }
    }
    return run.id;
}

std::optional<StoreOfRuns> readStoreOfRuns(const fs::path& storeFolder) {
    try {
        const nlohmann::json j = nlohmann::json::parse(readAll(storeFolder / kStoreOfRunsName));
        StoreOfRuns store{j.at("totalsFile").get<std::string>(), j.value("localFile", ""), j.value("label", "")};
        if (store.totalsFile.empty()) return std::nullopt;
        return store;
    } catch (const nlohmann::json::exception&) {
        return std::nullopt;
    }
}

std::vector<RunEntry> readRuns(const fs::path& storeFolder) {
    return runsFromText(readAll(storeFolder / kRunsFileName));
}

std::optional<fs::path> historyOf(const fs::path& runs, const std::string& totals, const fs::path& localFile) {
    std::error_code ec;
    if (const fs::path named = runs / storeKey(totals); fs::is_regular_file(named / kRunsFileName, ec)) return named;
    for (fs::directory_iterator it(runs, ec), end; !ec && it != end; it.increment(ec)) {
        if (!isStoreKey(it->path().filename().string())) continue;
        std::optional<StoreOfRuns> store = readStoreOfRuns(it->path());
        if (store && !store->localFile.empty() && fs::path(store->localFile) == localFile) return it->path();
    }
    return std::nullopt;
}

}  // namespace ztl
