#include "qbwc/console/action_pages.h"

#include <cctype>
#include <cstring>

#include "qbwc/console/console_pages.h"
#include "qbwc/console/console_status.h"

namespace ztl::qbwc {

namespace {

constexpr const char* kJob = R"(<h1>{{what}}</h1>
<p>Store: <a href="/console/stores/{{store.key}}">{{store.label}}</a></p>
{{#running}}<p class="warning" role="status">Running since {{started.shown}}. It reaches QuickBooks when the Web Connector next calls: to make it call now, on the Windows PC, tick Zentrel in the Web Connector and click Update Selected. This page shows the output anew every {{refreshSeconds}} seconds until the job ends.</p>{{/running}}
{{^running}}<p class="{{#succeeded}}fine{{/succeeded}}{{^succeeded}}alert{{/succeeded}}" role="status">{{outcome}}</p>{{/running}}
<table>
<tr><th scope="row">Command</th><td><code>{{command}}</code></td></tr>
<tr><th scope="row">Started</th><td>{{started.shown}}</td></tr>
<tr><th scope="row">Ended</th><td>{{#ended}}{{ended.shown}}{{/ended}}{{^ended}}not yet{{/ended}}</td></tr>
</table>
<h2 id="output">Its output</h2>
<pre aria-labelledby="output">{{output}}{{^output}}nothing yet{{/output}}</pre>
<p>The same data: <a href="/console/api/jobs/{{id}}">/console/api/jobs/{{id}}</a>.</p>
)";

constexpr const char* kStillRunning = R"(<h1>Already running</h1>
<p class="warning" role="alert">{{what}} was started at {{started.shown}} and has not ended yet: one at a time. <a href="/console/jobs/{{id}}">Its page</a> shows how far it is.</p>
)";

constexpr const char* kPost = R"(<h1>Post the pending days of {{store.label}}</h1>
{{#running}}<p class="warning" role="status">A post of this store started at {{started.shown}} is still running: <a href="/console/jobs/{{id}}">its page</a> shows how far it is.</p>{{/running}}
<p>This starts the store's unattended run now, as its timer does each night: <code>{{command}}</code>.</p>
<p>It posts the pending days, oldest first{{#totalsPresent}}, then the day in the totals file {{totalsFile}}{{/totalsPresent}}. A day QuickBooks cannot take whole stays pending, and the run says why.</p>
{{#hasPending}}<h2 id="pending">Pending days</h2>
<ul aria-labelledby="pending">{{#pending}}<li>{{date}}</li>{{/pending}}</ul>{{/hasPending}}
{{^hasPending}}<p>No day is pending now.</p>{{/hasPending}}
<p class="warning">Through the Web Connector the entries are posted when the Web Connector next calls from the bookkeeper's PC; the run waits for that call until the morning's deadline. To make it call now: on the PC, open the Web Connector, tick Zentrel and click Update Selected.</p>
<form method="post" action="/console/stores/{{store.key}}/post">
<input type="hidden" name="token" value="{{formToken}}">
<button type="submit">Start the post</button>
</form>
<p><a href="/console/stores/{{store.key}}">Back to the store</a> (nothing is started).</p>
)";

constexpr const char* kDrop = R"(<h1>Drop the pending day {{date}} of {{store.label}}</h1>
<p>The day leaves the queue: no unattended run posts it, and it no longer holds back the later days. Its copy is archived beside the totals file, never deleted, and its import logs are kept beside the totals file's own log. To post it after all, import the archive (<code>ztl import</code> and the archive's name).</p>
<h2 id="copies">The day's copies</h2>
<ul aria-labelledby="copies">{{#copies}}<li>{{name}}</li>{{/copies}}</ul>
<form method="post" action="/console/stores/{{store.key}}/pending/{{date}}/drop">
<input type="hidden" name="token" value="{{formToken}}">
<button type="submit">Drop the day</button>
</form>
<p><a href="/console/stores/{{store.key}}">Back to the store</a> (nothing is dropped).</p>
)";

constexpr const char* kDropped = R"(<h1>The pending day {{date}} of {{store.label}}</h1>
{{#dropped}}<p class="fine" role="status">{{copy}} is out of the queue, kept as {{archive}}. No unattended run posts it; to post it after all: <code>ztl import {{archive}}</code>.</p>
{{#hasLogs}}<ul>{{#logs}}<li>{{text}}</li>{{/logs}}</ul>{{/hasLogs}}{{/dropped}}
{{#failure}}<p class="alert" role="alert">{{failure}}</p>{{/failure}}
<p><a href="/console/stores/{{store.key}}">Back to the store</a></p>
)";

constexpr const char* kReconcile = R"(<h1>Reconcile a day of {{store.label}}</h1>
{{#message}}<p class="alert" role="alert">{{message}}</p>{{/message}}
<p>Reconciling asks QuickBooks whether it holds every transaction of a totals file exactly once, as the file says. It posts nothing and changes nothing.</p>
{{#hasFiles}}<form method="post" action="/console/stores/{{store.key}}/reconcile">
<input type="hidden" name="token" value="{{formToken}}">
<input type="hidden" name="list" value="{{fingerprint}}">
<fieldset>
<legend>The totals file to reconcile, newest first</legend>
{{#files}}<div><input type="radio" id="file-{{position}}" name="choice" value="{{position}}"{{#first}} checked{{/first}}> <label class="choice" for="file-{{position}}">{{name}}, written {{written}}{{#own}} (the totals file itself){{/own}}</label></div>
{{/files}}</fieldset>
<button type="submit">Reconcile</button>
</form>{{/hasFiles}}
{{^hasFiles}}<p>Neither the totals file {{totalsFile}} nor an archive of it is there: there is nothing to reconcile.</p>{{/hasFiles}}
<p><a href="/console/stores/{{store.key}}">Back to the store</a></p>
)";

constexpr const char* kUndoList = R"(<h1>Undo a run of {{store.label}}</h1>
<p>Undoing a run removes from QuickBooks the journal entries its import log records as posted by that run, and nothing else. Choose the run's import log: its entries are shown before anything is removed.</p>
{{#hasLogs}}<table class="list">
<thead><tr><th scope="col">Import log</th><th scope="col">Run</th><th scope="col">Entries it posted</th></tr></thead>
<tbody>
{{#logs}}<tr><td data-label="Import log"><a href="/console/stores/{{store.key}}/undo/{{segment}}">{{name}}</a>{{#day}} (pending day {{day}}){{/day}}</td><td data-label="Run">{{#runTime}}{{runTime}}{{/runTime}}{{^runTime}}written {{written}}{{/runTime}}</td><td data-label="Entries it posted">{{posted}}{{#removed}}, {{removed}} removed by an undo since{{/removed}}</td></tr>
{{/logs}}</tbody>
</table>{{/hasLogs}}
{{^hasLogs}}<p>No import log of this store is there: no run to undo.</p>{{/hasLogs}}
<p><a href="/console/stores/{{store.key}}">Back to the store</a></p>
)";

constexpr const char* kUndoLog = R"(<h1>Undo the run of {{log.name}}</h1>
{{#message}}<p class="alert" role="alert">{{message}}</p>{{/message}}
<p>{{store.label}}{{#log.day}}, pending day {{log.day}}{{/log.day}}; the run {{#log.runTime}}of {{log.runTime}}{{/log.runTime}}{{^log.runTime}}whose log was written {{log.written}}{{/log.runTime}}.</p>
{{#hasEntries}}<h2 id="entries">The entries this run posted</h2>
<table class="list" aria-labelledby="entries">
<thead><tr><th scope="col">Transaction</th><th scope="col">Invoice</th><th scope="col">TxnID</th><th scope="col">Now</th></tr></thead>
<tbody>
{{#entries}}<tr><td data-label="Transaction">{{transaction}}</td><td data-label="Invoice">{{invoice}}</td><td data-label="TxnID">{{txnId}}</td><td data-label="Now">{{#removed}}removed by an undo since{{/removed}}{{^removed}}to be removed{{/removed}}</td></tr>
{{/entries}}</tbody>
</table>{{/hasEntries}}
{{#toRemove}}<p>Before it removes anything the undo asks QuickBooks about each entry: one changed in QuickBooks since it was posted, dated in a closed period, or no longer the run's is not removed. The job's page then shows what became of each.</p>
<form method="post" action="/console/stores/{{store.key}}/undo/{{segment}}">
<input type="hidden" name="token" value="{{formToken}}">
<input type="hidden" name="log" value="{{log.fingerprint}}">
<label for="confirm">Type YES to remove {{toRemoveText}} from QuickBooks for good</label>
<input type="text" id="confirm" name="confirm" autocomplete="off" required>
<button type="submit">Undo the run</button>
</form>{{/toRemove}}
{{^toRemove}}<p class="fine">This run posted nothing that is still in QuickBooks by its doing: there is nothing to undo.</p>{{/toRemove}}
<p><a href="/console/stores/{{store.key}}/undo">The store's other runs</a></p>
)";

std::string page(const char* title, const char* text, const nlohmann::json& model) {
    return inLayout(title, rendered(text, model), true, model.value("formToken", ""));
}

}  // namespace

std::string jobCommand(const JobRequest& request) {
    std::string text = "ztl";
    for (const auto& word : request.arguments)
        text += " " + (word.find_first_of(" \t'\"") == std::string::npos ? word : "'" + word + "'");
    return text;
}

std::string jobOutcome(const JobView& job) {
    if (job.running()) return "running";
    const std::string kind = job.request.kind;
    if (job.signal)
        return "Stopped by signal " + std::to_string(*job.signal) + " (" + ::strsignal(*job.signal) +
               ") before it ended: the output shows how far it came.";
    const int status = job.exitStatus.value_or(-1);
    const std::string ended = "Ended with exit status " + std::to_string(status) + ": ";
    if (kind == "post") {
        if (status == 0) return ended + "every day was posted.";
        if (status == 1) return ended + "the bookkeeper is needed; the output says which day stays pending and why.";
        if (status == 2) return ended + "nothing could be done; the output says why.";
    } else if (kind == "reconcile") {
        if (status == 0) return ended + "QuickBooks holds every transaction of the file exactly once.";
        if (status == 1)
            return ended + "QuickBooks does not hold every transaction exactly once, or could not be asked; the "
                           "output says which.";
    } else if (kind == "undo") {
        if (status == 0) return ended + "QuickBooks holds none of the entries this run posted.";
        if (status == 1)
            return ended + "QuickBooks still holds entries this run posted, or the undo could not run; the output "
                           "says which and why.";
    }
    return ended + "not one of the command's own outcomes; the output says what went wrong.";
}

nlohmann::json jobModel(const JobView& job) {
    nlohmann::json model = {{"id", job.id},
                            {"kind", job.request.kind},
                            {"store", {{"key", job.request.storeKey}, {"label", job.request.storeLabel}}},
                            {"what", job.request.what},
                            {"command", jobCommand(job.request)},
                            {"running", job.running()},
                            {"started", moment(job.started)},
                            {"ended", job.ended ? moment(*job.ended) : nlohmann::json()},
                            {"exitStatus", job.exitStatus ? nlohmann::json(*job.exitStatus) : nlohmann::json()},
                            {"signal", job.signal ? nlohmann::json(*job.signal) : nlohmann::json()},
                            {"succeeded", job.exitStatus == 0},
                            {"outcome", jobOutcome(job)},
                            {"output", job.output},
                            {"refreshSeconds", kJobPageRefreshSeconds}};
    return model;
}

std::string actionPage(ActionPage which, const nlohmann::json& model) {
    switch (which) {
        case ActionPage::Job: return page("Job", kJob, model);
        case ActionPage::Post: return page("Post the pending days", kPost, model);
        case ActionPage::Drop: return page("Drop a pending day", kDrop, model);
        case ActionPage::Dropped: return page("Pending day dropped", kDropped, model);
        case ActionPage::Reconcile: return page("Reconcile", kReconcile, model);
        case ActionPage::UndoList: return page("Undo a run", kUndoList, model);
        case ActionPage::UndoLog: return page("Undo a run", kUndoLog, model);
        case ActionPage::StillRunning: return page("Already running", kStillRunning, model);
    }
    return page("Job", kJob, model);
}

std::string addressSegment(const std::string& text) {
    static const char* digits = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : text) {
        if (std::isalnum(c) || c == '-' || c == '.' || c == '_' || c == '~') {
            out += static_cast<char>(c);
        } else {
            out += '%';
            out += digits[c >> 4];
            out += digits[c & 15];
        }
    }
    return out;
}

}  // namespace ztl::qbwc
