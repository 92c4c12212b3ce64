#include "qbwc/console/console_stores.h"

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <fstream>
#include <iterator>

#include "engine/company/file_names.h"
#include "engine/unattended/held_day.h"
#include "engine/unattended/pending_days.h"
#include "engine/unattended/post_settings.h"
#include "platform/paths.h"
#include "qbwc/console/console_status.h"
#include "qbwc/console/next_timer_run.h"
#include "qbwc/console/refusal_advice.h"
#include "qbwc/console/timer_stores.h"

namespace fs = std::filesystem;
using nlohmann::json;
using WallClock = std::chrono::system_clock;

namespace ztl::qbwc {

namespace {

std::string storeUrl(const std::string& key) {
    return "/console/stores/" + key;
}

std::string runUrl(const std::string& key, const std::string& id) {
    return storeUrl(key) + "/runs/" + id;
}

// A moment of the record ("2026-12-08T21:30:05Z"); null when it does not read as one.
json recordMoment(const std::string& iso) {
    std::tm at{};
    char zone = 0;
    if (std::sscanf(iso.c_str(), "%4d-%2d-%2dT%2d:%2d:%2d%c", &at.tm_year, &at.tm_mon, &at.tm_mday, &at.tm_hour,
                    &at.tm_min, &at.tm_sec, &zone) != 7 ||
        zone != 'Z')
        return nullptr;
    at.tm_year -= 1900;
    at.tm_mon -= 1;
    return moment(WallClock::from_time_t(timegm(&at)));
}

// What the exit status of ztl post says.
// A run whose record has its beginning only: killed by a time limit or a signal, the machine
// switched off, or still at work. The journal of its timer says which.
constexpr const char* kRunNotEnded =
    "not ended: still running, or stopped before it could record how it ended (its timer's journal on the store's "
    "Linux machine says which)";

const char* outcomeOf(int exitStatus) {
    switch (exitStatus) {
        case 0: return "everything posted";
        case 1: return "the bookkeeper is needed";
        default: return "nothing could be done";
    }
}

// How a run is named in lists and headings: by its end, or, for one that never said how it
// ended, by its start.
std::string whenOf(const RunEntry& run) {
    const json moment = recordMoment(run.end.empty() ? run.start : run.end);
    const std::string shown = moment.is_null() ? run.id : moment["shown"].get<std::string>();
    return run.end.empty() ? shown + " (begun, not ended)" : shown;
}

json runSummary(const std::string& key, const RunEntry& run) {
    const bool ended = !run.end.empty();
    return {{"id", run.id},
            {"url", runUrl(key, run.id)},
            {"when", whenOf(run)},
            {"ended", ended},
            {"start", recordMoment(run.start)},
            {"end", recordMoment(run.end)},
            {"exitStatus", ended ? json(run.exitStatus) : json(nullptr)},
            {"outcome", ended ? outcomeOf(run.exitStatus) : kRunNotEnded},
            {"headline", run.headline},
            {"counts", ended ? toJson(run.counts) : json(nullptr)},
            {"mail", ended ? run.mail : std::string("none recorded")},
            {"unsentMail", run.unsentMail.empty() ? json(nullptr) : json(run.unsentMail)},
            {"reason", run.reason.empty() ? json(nullptr) : json(run.reason)},
            {"lockHeld", run.lockHeld}};
}

json transactionsOf(const std::vector<RunTransaction>& transactions) {
    json list = json::array();
    for (const RunTransaction& t : transactions) {
        json item = {{"reference", t.reference},
                     {"kind", t.kind},
                     {"code", t.code.empty() ? json(nullptr) : json(t.code)},
                     {"severity", t.severity.empty() ? json(nullptr) : json(t.severity)},
                     {"message", t.message},
                     {"cause", nullptr},
                     {"step", nullptr}};
        if (std::optional<RefusalAdvice> advice = refusalAdvice(t.code, t.message)) {
            item["cause"] = advice->cause;
            item["step"] = advice->step;
        }
        list.push_back(std::move(item));
    }
    return list;
}

// The log kept for the run's `number`-th day, by the name the run gave it and no other.
std::optional<std::string> logFileOf(const RunEntry& run, int number) {
    if (number < 1 || static_cast<size_t>(number) > run.days.size()) return std::nullopt;
    const std::string& name = run.days[number - 1].log;
    if (name.empty() || name != run.id + " " + std::to_string(number) + ".log") return std::nullopt;
    return name;
}

fs::path localFileOf(const StoreOfRuns& store) {
    if (!store.localFile.empty()) return store.localFile;
    std::error_code ec;
    fs::path local = fs::absolute(paths::map(store.totalsFile), ec);
    return ec ? paths::map(store.totalsFile) : local;
}

// Copies kept because the totals file was not whole, "pending/2025-04-01 12X390.QB.incomplete".
std::vector<PendingDay> incompleteDaysOf(const fs::path& totals) {
    std::vector<PendingDay> days;
    std::error_code ec;
    const std::string totalsName = totals.filename().string();
    for (fs::directory_iterator it(pendingFolder(totals), ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        if (name.size() > 10 && isIsoDate(std::string_view(name).substr(0, 10)) &&
            name == incompleteDayName(name.substr(0, 10), totalsName))
            days.push_back({it->path(), name.substr(0, 10)});
    }
    return days;
}

json runMention(const std::string& key, const RunEntry& run) {
    return {{"id", run.id}, {"url", runUrl(key, run.id)}, {"when", whenOf(run)}, {"end", recordMoment(run.end)}};
}

// Why a pending day is held, from the newest run that names it, and from the last run when
// that one did nothing at all since (QuickBooks not reached, another company open).
json whyHeld(const std::string& key, const std::string& date, const std::vector<RunEntry>& runs) {
    json why = json::array();
    const RunEntry* last = runs.empty() ? nullptr : &runs.back();
    const bool lastDidNothing = last && last->exitStatus == 2 && !last->reason.empty();
    const std::optional<HeldDay> held = heldDay(runs, date);
    if (lastDidNothing && (!held || held->run != last))
        why.push_back({{"kind", "last run"}, {"text", last->reason}, {"run", runMention(key, *last)}});
    if (held && !held->transactions.empty()) {
        why.push_back({{"kind", "transactions"},
                       {"text", held->because},
                       {"transactions", transactionsOf(held->transactions)},
                       {"run", runMention(key, *held->run)}});
    } else if (held) {
        why.push_back({{"kind", "reason"}, {"text", held->because}, {"run", runMention(key, *held->run)}});
    } else if (!lastDidNothing) {
        why.push_back({{"kind", "not tried"}, {"text", "not tried yet"}});
    }
    return why;
}

json pendingDaysJson(const std::string& key, const fs::path& totals, const std::vector<RunEntry>& runs) {
    json days = json::array();
    for (const PendingDay& day : pendingDaysOf(totals))
        days.push_back({{"date", day.date},
                        {"file", day.file.filename().string()},
                        {"incomplete", false},
                        {"why", whyHeld(key, day.date, runs)},
                        {"dropUrl", storeUrl(key) + "/pending/" + day.date + "/drop"}});
    for (const PendingDay& day : incompleteDaysOf(totals))
        days.push_back({{"date", day.date},
                        {"file", day.file.filename().string()},
                        {"incomplete", true},
                        {"why", json::array({{{"kind", "incomplete"},
                                              {"text",
                                               "the totals file was not whole when it was kept (the store system "
                                               "may still have been writing it): nothing of it is posted until the "
                                               "store system's end-of-day run has written the whole day"}}})},
                        {"dropUrl", nullptr}});
    std::stable_sort(days.begin(), days.end(),
                     [](const json& a, const json& b) { return a["date"].get<std::string>() < b["date"].get<std::string>(); });
    return days;
}

json totalsFileJson(const fs::path& local) {
    std::error_code ec;
    const bool present = fs::is_regular_file(local, ec);
    json file = {{"present", present}, {"size", nullptr}, {"written", nullptr}};
    if (!present) return file;
    if (const auto size = fs::file_size(local, ec); !ec) file["size"] = size;
    if (const auto written = fs::last_write_time(local, ec); !ec)
        file["written"] = moment(fs::file_time_type::clock::to_sys(written));
    return file;
}

}  // namespace

std::string consoleStoreKey(const std::string& totalsPath) {
    return storeKey(totalsPath);
}

ConsoleStores::ConsoleStores(ConsoleStoresSetup setup) : setup_(std::move(setup)) {
    if (!setup_.companyOf) setup_.companyOf = [](const std::string&) { return std::string(); };
    if (!setup_.postTime) setup_.postTime = [] { return std::string(kDefaultPostTime); };
}

std::vector<ConsoleStores::Known> ConsoleStores::known() {
    std::map<std::string, Known> byKey;
    std::error_code ec;
    for (fs::directory_iterator it(setup_.runs, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string key = it->path().filename().string();
        if (!isStoreKey(key)) continue;
        if (std::optional<StoreOfRuns> store = readStoreOfRuns(it->path())) byKey[key] = {key, *store, false};
    }
    for (const std::string& totals : timerTotalsFiles(setup_.timers)) {
        const std::string key = consoleStoreKey(totals);
        auto found = byKey.find(key);
        if (found == byKey.end())
            byKey[key] = {key, {totals, paths::map(totals).string(), storeLabel(totals)}, true};
        else
            found->second.timer = true;
    }
    std::vector<Known> stores;
    for (auto& [key, store] : byKey) stores.push_back(std::move(store));
    std::stable_sort(stores.begin(), stores.end(),
                     [](const Known& a, const Known& b) { return a.store.label < b.store.label; });
    return stores;
}

std::optional<ConsoleStores::Known> ConsoleStores::find(const std::string& key) {
    if (!isStoreKey(key)) return std::nullopt;
    std::optional<Known> found;
    if (std::optional<StoreOfRuns> store = readStoreOfRuns(setup_.runs / key)) found = Known{key, *store, false};
    for (const std::string& totals : timerTotalsFiles(setup_.timers)) {
        if (consoleStoreKey(totals) != key) continue;
        if (!found) found = Known{key, {totals, paths::map(totals).string(), storeLabel(totals)}, true};
        found->timer = true;
    }
    return found;
}

std::optional<std::filesystem::path> ConsoleStores::totalsFileOf(const std::string& key) {
    std::optional<Known> found = find(key);
    if (!found) return std::nullopt;
    return std::filesystem::path(found->store.totalsFile);
}

// A year of runs of twenty stores takes a tenth of a second to parse: each store's runs are
// read again only once its file has changed (a run appended, the oldest dropped).
std::shared_ptr<const std::vector<RunEntry>> ConsoleStores::runsOf(const std::string& key) {
    const fs::path file = setup_.runs / key / kRunsFileName;
    std::error_code ec;
    const std::uintmax_t size = fs::file_size(file, ec);
    const fs::file_time_type written = ec ? fs::file_time_type() : fs::last_write_time(file, ec);
    if (ec) {
        std::lock_guard hold(cacheLock_);
        cache_.erase(key);
        return std::make_shared<const std::vector<RunEntry>>();
    }
    {
        std::lock_guard hold(cacheLock_);
        if (auto found = cache_.find(key);
            found != cache_.end() && found->second.size == size && found->second.written == written)
            return found->second.runs;
    }
    auto runs = std::make_shared<const std::vector<RunEntry>>(readRuns(file.parent_path()));
    std::lock_guard hold(cacheLock_);
    cache_[key] = {size, written, runs};
    return runs;
}

json ConsoleStores::summary(const Known& known, const std::vector<RunEntry>& runs, WallClock::time_point now) {
    const fs::path local = localFileOf(known.store);
    // The company is remembered under the path as the store system names it, a path of this
    // machine made whole where the run was started: a relative one is the run's, not ours.
    const std::string company =
        setup_.companyOf(paths::isNetworkPath(known.store.totalsFile) ? known.store.totalsFile : local.string());
    const std::string postTime = setup_.postTime();
    return {{"key", known.key},
            {"label", known.store.label},
            {"url", storeUrl(known.key)},
            {"totalsFile", known.store.totalsFile},
            {"totals", totalsFileJson(local)},
            {"company", company.empty() ? json(nullptr) : json(company)},
            {"pendingCount", pendingDaysOf(local).size() + incompleteDaysOf(local).size()},
            {"lastRun", runs.empty() ? json(nullptr) : runSummary(known.key, runs.back())},
            {"timer", known.timer},
            {"nextRun", known.timer ? moment(nextTimerRun(postTime, now)) : json(nullptr)},
            {"postTime", postTime}};
}

json ConsoleStores::stores(WallClock::time_point now) {
    json list = json::array();
    for (const Known& store : known()) list.push_back(summary(store, *runsOf(store.key), now));
    return {{"stores", list}};
}

std::optional<json> ConsoleStores::store(const std::string& key, int page, WallClock::time_point now) {
    std::optional<Known> known = find(key);
    if (!known) return std::nullopt;
    const auto runs = runsOf(key);
    json model = summary(*known, *runs, now);
    model["pendingDays"] = pendingDaysJson(key, localFileOf(known->store), *runs);
    model["actions"] = {{"post", storeUrl(key) + "/post"},
                        {"reconcile", storeUrl(key) + "/reconcile"},
                        {"undo", storeUrl(key) + "/undo"}};

    const int total = static_cast<int>(runs->size());
    const int pages = std::max(1, (total + kRunsPerPage - 1) / kRunsPerPage);
    page = std::clamp(page, 1, pages);
    json items = json::array();
    const int newest = total - (page - 1) * kRunsPerPage;
    for (int i = newest - 1; i >= std::max(0, newest - kRunsPerPage); --i) items.push_back(runSummary(key, (*runs)[i]));
    auto pageUrl = [&](int n) { return storeUrl(key) + "?page=" + std::to_string(n); };
    model["runs"] = {{"page", page},
                     {"pages", pages},
                     {"total", total},
                     {"items", items},
                     {"newer", page > 1 ? json(pageUrl(page - 1)) : json(nullptr)},
                     {"older", page < pages ? json(pageUrl(page + 1)) : json(nullptr)}};
    return model;
}

std::optional<json> ConsoleStores::run(const std::string& key, const std::string& id) {
    if (!isStoreKey(key) || !isRunId(id)) return std::nullopt;
    std::optional<Known> known = find(key);
    if (!known) return std::nullopt;
    const auto runs = runsOf(key);
    auto found = std::find_if(runs->begin(), runs->end(), [&](const RunEntry& r) { return r.id == id; });
    if (found == runs->end()) return std::nullopt;
    json model = runSummary(key, *found);
    model["store"] = {{"key", key}, {"label", known->store.label}, {"url", storeUrl(key)}};
    model["pending"] = found->pending;
    json days = json::array();
    for (size_t i = 0; i < found->days.size(); ++i) {
        const RunDay& day = found->days[i];
        const int number = static_cast<int>(i) + 1;
        json log = nullptr;
        if (logFileOf(*found, number)) {
            const std::string url = runUrl(key, id) + "/log/" + std::to_string(number);
            log = {{"number", number},
                   {"name", day.logName.empty() ? day.log : day.logName},
                   {"url", url},
                   {"downloadUrl", url + "/download"}};
        }
        days.push_back({{"number", number},
                        {"date", day.date.empty() ? json(nullptr) : json(day.date)},
                        {"dateText", day.dateText},
                        {"attempted", day.attempted},
                        {"whole", day.whole},
                        {"notPostedBecause", day.notPostedBecause.empty() ? json(nullptr) : json(day.notPostedBecause)},
                        {"transactions", transactionsOf(day.transactions)},
                        {"log", log}});
    }
    model["days"] = days;
    return model;
}

std::optional<KeptLog> ConsoleStores::log(const std::string& key, const std::string& id, int number) {
    if (!isStoreKey(key) || !isRunId(id)) return std::nullopt;
    const auto runs = runsOf(key);
    auto found = std::find_if(runs->begin(), runs->end(), [&](const RunEntry& r) { return r.id == id; });
    if (found == runs->end()) return std::nullopt;
    std::optional<std::string> file = logFileOf(*found, number);
    if (!file) return std::nullopt;
    std::ifstream in(setup_.runs / key / *file, std::ios::binary);
    if (!in) return std::nullopt;
    const RunDay& day = found->days[number - 1];
    return KeptLog{day.logName.empty() ? day.log : day.logName,
                   std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>()),
                   runUrl(key, id)};
}

json ConsoleStores::glance(WallClock::time_point now) {
    json lastPosted = nullptr;
    std::string lastEnd;
    json nextRuns = json::array();
    const std::string postTime = setup_.postTime();
    for (const Known& store : known()) {
        const auto runs = runsOf(store.key);
        for (auto r = runs->rbegin(); r != runs->rend(); ++r) {
            if (r->counts.posted == 0) continue;
            if (r->end > lastEnd) {
                lastEnd = r->end;
                lastPosted = {{"store", {{"key", store.key}, {"label", store.store.label}, {"url", storeUrl(store.key)}}},
                              {"run", runSummary(store.key, *r)}};
            }
            break;
        }
        if (store.timer)
            nextRuns.push_back({{"key", store.key},
                                {"label", store.store.label},
                                {"url", storeUrl(store.key)},
                                {"next", moment(nextTimerRun(postTime, now))}});
    }
    return {{"lastPosted", lastPosted}, {"nextRuns", nextRuns}, {"postTime", postTime}};
}

}  // namespace ztl::qbwc
