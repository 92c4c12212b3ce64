#include "qbwc/console/console_actions.h"

#include <algorithm>
#include <system_error>

#include "engine/company/file_names.h"
#include "engine/company/operation_log.h"
#include "engine/company/operation_log_entries.h"
#include "engine/review/undo_run.h"
#include "engine/unattended/drop_pending_day.h"
#include "engine/unattended/pending_days.h"
#include "platform/paths.h"
#include "qbwc/console/action_pages.h"
#include "qbwc/console/console_pages.h"
#include "qbwc/console/console_status.h"
#include "qbwc/console/post_options.h"
#include "qbwc/console/store_action_files.h"

namespace fs = std::filesystem;

namespace ztl::qbwc {

namespace {

constexpr std::string_view kStores = "/console/stores/";
constexpr std::string_view kJobs = "/console/jobs/";
constexpr std::string_view kApiJobs = "/console/api/jobs/";

std::vector<std::string> segments(std::string_view rest) {
    std::vector<std::string> parts;
    for (;;) {
        const auto slash = rest.find('/');
        parts.emplace_back(rest.substr(0, slash));
        if (slash == std::string_view::npos) return parts;
        rest.remove_prefix(slash + 1);
    }
}

std::string field(const ConsoleVisit& visit, const std::string& name) {
    auto it = visit.form.find(name);
    return it == visit.form.end() ? std::string() : it->second;
}

nlohmann::json textOrFalse(const std::string& text) {
    return text.empty() ? nlohmann::json(false) : nlohmann::json(text);
}

nlohmann::json countOrFalse(int n) {
    return n > 0 ? nlohmann::json(n) : nlohmann::json(false);
}

ConsoleReply notFound(const ConsoleVisit& visit, const std::string& message) {
    if (visit.api) return jsonReply(404, {{"error", message}});
    return htmlReply(404, messagePage("Not found", message, true, visit.formToken));
}

std::string fromTheConsole(const ConsoleVisit& visit) {
    return "from the console (browser at " + visit.peer + ")";
}

}  // namespace

struct ConsoleActions::Store {
    std::string key;
    std::string label;  // "Store 12"
    std::string named;  // the totals file as the store list names it: what ztl post is given
    fs::path totals;    // that file on this machine

    nlohmann::json model() const { return {{"key", key}, {"label", label}}; }
    // "Store 12 (/mnt/STORESRV/CATCON/12X390.QB)": how the operation log names it.
    std::string inLog() const { return label + " (" + named + ")"; }
};

ConsoleActions::ConsoleActions(ActionsSetup setup) : setup_(std::move(setup)) {
    if (setup_.program.empty()) {
        std::error_code ec;
        setup_.program = fs::read_symlink("/proc/self/exe", ec);
    }
    if (setup_.postEnvironment.empty()) setup_.postEnvironment = postEnvironmentFile();
    if (setup_.operationLog.empty()) setup_.operationLog = paths::stateFolder() / kOperationLogName;
    if (!setup_.clock) setup_.clock = std::make_shared<const SystemClock>();
    // A job's end is written to the operation log as its start was, from the job's own thread.
    JobsSetup jobs{setup_.program};
    jobs.ended = [log = setup_.operationLog, clock = setup_.clock](const JobView& job) {
        appendOperationLog(log, operationLogEntry(*clock, job.request.storeLabel + ": job " + job.id + " (" +
                                                              jobCommand(job.request) +
                                                              "), started from the console: " + jobOutcome(job)));
    };
    jobs_ = std::make_unique<ConsoleJobs>(std::move(jobs));
}

void ConsoleActions::note(const std::string& text) const {
    appendOperationLog(setup_.operationLog, operationLogEntry(*setup_.clock, text));
}

// The single-store edition's runs say so in the timer's options: the reconcile and the undo
// of its stores read the same edition's settings.
std::vector<std::string> ConsoleActions::editionOptions() const {
    const std::vector<std::string> options = postOptionsIn(setup_.postEnvironment);
    if (std::find(options.begin(), options.end(), "--single-store") != options.end()) return {"--single-store"};
    return {};
}

std::optional<ConsoleReply> ConsoleActions::answer(const ConsoleVisit& visit) {
    const std::string& path = visit.path;
    for (std::string_view prefix : {kJobs, kApiJobs}) {
        if (!path.starts_with(prefix)) continue;
        const std::string id = path.substr(prefix.size());
        if (id.find('/') != std::string::npos) return std::nullopt;
        return job(visit, id);
    }
    if (!path.starts_with(kStores) || visit.api) return std::nullopt;
    const std::vector<std::string> parts = segments(std::string_view(path).substr(kStores.size()));
    const bool mine = (parts.size() == 2 && (parts[1] == "post" || parts[1] == "reconcile" || parts[1] == "undo")) ||
                      (parts.size() == 3 && parts[1] == "undo") ||
                      (parts.size() == 4 && parts[1] == "pending" && parts[3] == "drop");
    if (!mine) return std::nullopt;

    std::optional<fs::path> totals = setup_.totalsFileOf ? setup_.totalsFileOf(parts[0]) : std::nullopt;
    if (!totals) return notFound(visit, "No store of the console has the address " + path + ".");
    const Store store{parts[0], storeLabel(totals->string()), totals->string(),
                      fs::absolute(paths::map(totals->string()))};
    if (parts[1] == "post") return post(visit, store);
    if (parts[1] == "reconcile") return reconcile(visit, store);
    if (parts[1] == "pending") return drop(visit, store, parts[2]);
    if (parts.size() == 2) return undoList(visit, store);
    return undo(visit, store, parts[2]);
}

ConsoleReply ConsoleActions::started(const ConsoleVisit& visit, const JobRequest& request, const std::string& what) {
    const ConsoleJobs::Started result = jobs_->start(request);
    if (result.running) {
        nlohmann::json model = jobModel(*result.running);
        model["formToken"] = visit.formToken;
        return htmlReply(409, actionPage(ActionPage::StillRunning, model));
    }
    if (!result.job) {
        note(request.storeLabel + ": " + what + " could not be started " + fromTheConsole(visit) + ": " +
             result.failure);
        return htmlReply(500, messagePage("Not started",
                                          "The command could not be started on the store's Linux machine: " +
                                              result.failure,
                                          true, visit.formToken));
    }
    note(request.storeLabel + ": " + what + " started " + fromTheConsole(visit) + ": " + jobCommand(request) +
         ", job " + result.job->id);
    return redirectReply(std::string(kJobs) + result.job->id);
}

ConsoleReply ConsoleActions::job(const ConsoleVisit& visit, const std::string& id) {
    std::optional<JobView> found = jobs_->find(id);
    if (!found)
        return notFound(visit, "No job " + id + " is known: the console keeps the last jobs only while the service "
                                                "runs.");
    nlohmann::json model = jobModel(*found);
    if (visit.api) return jsonReply(200, model);
    model["formToken"] = visit.formToken;
    ConsoleReply reply = htmlReply(200, actionPage(ActionPage::Job, model));
    // Without a script the browser still shows the output as it grows: it asks for the page
    // again while the job runs, and stops once the page says how it ended.
    if (found->running()) reply.headers.emplace_back("Refresh", std::to_string(kJobPageRefreshSeconds));
    return reply;
}

ConsoleReply ConsoleActions::post(const ConsoleVisit& visit, const Store& store) {
    std::vector<std::string> arguments = {"post"};
    for (const auto& option : postOptionsIn(setup_.postEnvironment)) arguments.push_back(option);
    arguments.push_back(store.named);
    const JobRequest request{"post", store.key, store.label, "Post the pending days of " + store.label, arguments};
    if (visit.request.method == "POST") return started(visit, request, "the post of its pending days");

    nlohmann::json pending = nlohmann::json::array();
    for (const PendingDay& d : pendingDaysOf(store.totals)) pending.push_back({{"date", d.date}});
    std::error_code ec;
    nlohmann::json model = {{"store", store.model()},
                            {"command", jobCommand(request)},
                            {"totalsFile", store.named},
                            {"totalsPresent", fs::is_regular_file(store.totals, ec)},
                            {"pending", pending},
                            {"hasPending", !pending.empty()},
                            {"formToken", visit.formToken}};
    if (std::optional<JobView> running = jobs_->running("post", store.key)) model["running"] = jobModel(*running);
    return htmlReply(200, actionPage(ActionPage::Post, model));
}

ConsoleReply ConsoleActions::drop(const ConsoleVisit& visit, const Store& store, const std::string& date) {
    std::vector<PendingDay> copies;
    if (isIsoDate(date))
        for (const PendingDay& d : pendingDaysOf(store.totals))
            if (d.date == date) copies.push_back(d);
    if (copies.empty()) return notFound(visit, "No day of " + date + " is pending for " + store.label + ".");
    nlohmann::json model = {{"store", store.model()}, {"date", date}, {"formToken", visit.formToken}};
    if (visit.request.method != "POST") {
        model["copies"] = nlohmann::json::array();
        for (const PendingDay& d : copies) model["copies"].push_back({{"name", d.file.filename().string()}});
        return htmlReply(200, actionPage(ActionPage::Drop, model));
    }

    const PendingDayDrop result = dropPendingDay(store.totals, date, *setup_.clock);
    if (!result.found) return notFound(visit, "No day of " + date + " is pending for " + store.label + ".");
    model["dropped"] = nlohmann::json::array();
    for (const DroppedDay& d : result.dropped) {
        note(store.inLog() + ": pending day " + date + " dropped " + fromTheConsole(visit) + ": " + droppedDayNote(d));
        nlohmann::json logs = nlohmann::json::array();
        for (const std::string& log : d.logs) logs.push_back({{"text", log}});
        model["dropped"].push_back({{"copy", d.copy.filename().string()},
                                    {"archive", d.archive.string()},
                                    {"logs", logs},
                                    {"hasLogs", !logs.empty()}});
    }
    if (result.failure) {
        note(store.inLog() + ": the drop of the pending day " + date + " " + fromTheConsole(visit) +
             " did not happen: " + *result.failure);
        model["failure"] = "The day is not dropped: " + *result.failure + ".";
    }
    return htmlReply(result.failure ? 409 : 200, actionPage(ActionPage::Dropped, model));
}

ConsoleReply ConsoleActions::reconcile(const ConsoleVisit& visit, const Store& store) {
    const std::vector<ListedFile> files = reconcilableFiles(store.totals);
    const std::string fingerprint = listFingerprint(files);
    auto shown = [&](int status, const std::string& message) {
        nlohmann::json list = nlohmann::json::array();
        for (size_t i = 0; i < files.size(); ++i)
            list.push_back({{"position", std::to_string(i + 1)},
                            {"name", files[i].name},
                            {"written", shownTime(files[i].written)},
                            {"first", i == 0},
                            {"own", files[i].path == store.totals}});
        nlohmann::json model = {{"store", store.model()},       {"files", list},
                                {"hasFiles", !files.empty()},   {"fingerprint", fingerprint},
                                {"totalsFile", store.named},    {"message", textOrFalse(message)},
                                {"formToken", visit.formToken}};
        return htmlReply(status, actionPage(ActionPage::Reconcile, model));
    };
    if (visit.request.method != "POST") return shown(200, "");

    // The file by its position in the list as shown; a list changed since is shown again.
    const std::string choice = field(visit, "choice");
    size_t position = 0;
    if (!choice.empty() && choice.size() <= 4 && choice.find_first_not_of("0123456789") == std::string::npos)
        position = std::stoul(choice);
    if (position < 1 || position > files.size())
        return shown(400, "Choose one of the files listed: nothing was started.");
    if (field(visit, "list") != fingerprint)
        return shown(409, "The store's files changed since the list was shown (an import archived a day, say): "
                          "here they are now. Choose again: nothing was started.");
    const ListedFile& file = files[position - 1];
    std::vector<std::string> arguments = {"reconcile"};
    for (const auto& option : editionOptions()) arguments.push_back(option);
    arguments.push_back(file.path.string());
    return started(visit, {"reconcile", store.key, store.label, "Reconcile " + file.name + " of " + store.label, arguments},
                   "the reconcile of " + file.path.string());
}

ConsoleReply ConsoleActions::undoList(const ConsoleVisit& visit, const Store& store) {
    if (visit.request.method == "POST") return notFound(visit, "Choose the run to undo from the list first.");
    nlohmann::json logs = nlohmann::json::array();
    for (const ListedLog& log : undoableLogs(store.totals))
        logs.push_back({{"name", log.file.name},
                        {"segment", addressSegment(log.file.name)},
                        {"day", textOrFalse(log.day)},
                        {"runTime", textOrFalse(log.runTime)},
                        {"written", shownTime(log.file.written)},
                        {"posted", std::to_string(log.posted)},
                        {"removed", countOrFalse(log.removed)}});
    nlohmann::json model = {
        {"store", store.model()}, {"logs", logs}, {"hasLogs", !logs.empty()}, {"formToken", visit.formToken}};
    return htmlReply(200, actionPage(ActionPage::UndoList, model));
}

ConsoleReply ConsoleActions::undo(const ConsoleVisit& visit, const Store& store, const std::string& logName) {
    const std::optional<LogEntries> found = undoableLog(store.totals, logName);
    if (!found) return notFound(visit, "No import log " + logName + " of " + store.label + " is there to undo.");
    const int toRemove = static_cast<int>(std::count_if(found->entries.begin(), found->entries.end(),
                                                        [](const PostedByRun& e) { return !e.removed; }));
    auto shown = [&](int status, const std::string& message) {
        nlohmann::json entries = nlohmann::json::array();
        for (const PostedByRun& e : found->entries)
            entries.push_back({{"transaction", std::to_string(e.transaction)},
                               {"invoice", e.invoice},
                               {"txnId", e.txnId},
                               {"removed", e.removed}});
        const ListedLog& log = found->log;
        nlohmann::json model = {{"store", store.model()},
                                {"log",
                                 {{"name", log.file.name},
                                  {"day", textOrFalse(log.day)},
                                  {"runTime", textOrFalse(log.runTime)},
                                  {"written", shownTime(log.file.written)},
                                  {"fingerprint", log.fingerprint}}},
                                {"segment", addressSegment(log.file.name)},
                                {"entries", entries},
                                {"hasEntries", !entries.empty()},
                                {"toRemove", countOrFalse(toRemove)},
                                {"toRemoveText", toRemove == 1 ? std::string("this entry")
                                                                : "these " + std::to_string(toRemove) + " entries"},
                                {"message", textOrFalse(message)},
                                {"formToken", visit.formToken}};
        return htmlReply(status, actionPage(ActionPage::UndoLog, model));
    };
    if (visit.request.method != "POST") return shown(200, "");

    if (!isUndoConfirmation(field(visit, "confirm")))
        return shown(400, "The run is not undone: type YES in the field to remove its entries. Nothing was removed.");
    if (toRemove == 0) return shown(409, "This run posted nothing that is still to be removed. Nothing was removed.");
    if (field(visit, "log") != found->log.fingerprint)
        return shown(409, "The import log changed since its entries were shown (a run or an undo wrote it since): "
                          "here they are as it holds them now. Nothing was removed.");
    std::vector<std::string> arguments = {"undo"};
    for (const auto& option : editionOptions()) arguments.push_back(option);
    arguments.push_back("--yes");
    arguments.push_back(found->log.file.path.string());
    return started(visit,
                   {"undo", store.key, store.label, "Undo the run of " + found->log.file.name + " of " + store.label,
                    arguments},
                   "the undo of the run of " + found->log.file.path.string());
}

}  // namespace ztl::qbwc
