#include "qbwc/console/console_store_pages.h"

#include <cctype>
#include <cstdio>
#include <string_view>
#include <vector>

#include "platform/windows1252.h"
#include "qbwc/console/console_pages.h"

using nlohmann::json;

namespace ztl::qbwc {

namespace {

constexpr std::string_view kPagesPrefix = "/console/stores";
constexpr std::string_view kApiPrefix = "/console/api/stores";

constexpr const char* kStoresTemplate = R"(<h1>Stores</h1>
{{^stores}}<p>No store is known yet. A store shows here once ztl post has run for its totals file, or once its nightly timer is switched on (on the store's Linux machine: <code>systemctl --user enable --now "zentrel-post@$(systemd-escape --path TOTALS-FILE).timer"</code>).</p>{{/stores}}
{{#any}}
<table class="list">
<caption>Each store's totals file, the company it posts into, and its nights</caption>
<thead><tr><th scope="col">Store</th><th scope="col">Totals file</th><th scope="col">Company</th><th scope="col">Pending days</th><th scope="col">Last run</th><th scope="col">Next timer run</th></tr></thead>
<tbody>
{{#stores}}<tr><th scope="row"><a href="{{url}}">{{label}}</a></th>
<td data-label="Totals file" class="long">{{totalsFile}}{{^totals.present}} (not there now){{/totals.present}}</td>
<td data-label="Company" class="long">{{#company}}{{company}}{{/company}}{{^company}}not posted yet{{/company}}</td>
<td data-label="Pending days">{{pendingCount}}</td>
<td data-label="Last run">{{#lastRun}}<a href="{{url}}">{{when}}</a>: {{outcome}}<br>{{headline}}{{/lastRun}}{{^lastRun}}no run yet{{/lastRun}}</td>
<td data-label="Next timer run">{{#nextRun}}{{shown}}{{/nextRun}}{{^nextRun}}no timer switched on{{/nextRun}}</td></tr>
{{/stores}}
</tbody>
</table>
<p>The next timer runs are reckoned from the setting PostTime ({{postTime}}), which <code>ztl post timer</code> writes into the timers.</p>
{{/any}}
<p>The same data: <a href="/console/api/stores">/console/api/stores</a>.</p>
)";

// The transactions of a day, in the store's page and the run's.
constexpr const char* kTransactions = R"({{#hasTransactions}}
<table class="list">
<thead><tr><th scope="col">Invoice</th><th scope="col">What happened</th><th scope="col">What to do</th></tr></thead>
<tbody>
{{#transactions}}<tr><td data-label="Invoice">{{reference}}</td><td data-label="What happened" class="long">{{kind}}{{#code}}, QuickBooks status {{code}}{{/code}}: {{message}}</td><td data-label="What to do">{{#step}}{{cause}}. {{step}}{{/step}}{{^step}}QuickBooks' message says what it found; the day's import log has the whole answer.{{/step}}</td></tr>
{{/transactions}}
</tbody>
</table>
{{/hasTransactions}})";

constexpr const char* kStoreHead = R"(<h1>{{label}}</h1>
<table aria-label="The store">
<tr><th scope="row">Totals file</th><td>{{totalsFile}}<br>{{#totals.present}}{{totals.size}} bytes, written {{totals.written.shown}}{{/totals.present}}{{^totals.present}}not there now: the store system writes it at its end of day{{/totals.present}}</td></tr>
<tr><th scope="row">Company</th><td>{{#company}}{{company}}{{/company}}{{^company}}none yet: the store has not posted{{/company}}</td></tr>
<tr><th scope="row">Next timer run</th><td>{{#nextRun}}{{shown}} (daily at {{postTime}}, the setting PostTime){{/nextRun}}{{^nextRun}}no timer switched on for this store{{/nextRun}}</td></tr>
</table>
<p><a href="{{actions.post}}">Post the pending days…</a> · <a href="{{actions.reconcile}}">Reconcile…</a> · <a href="{{actions.undo}}">Undo a run…</a></p>
<h2 id="pending">Pending days</h2>
{{^pendingDays}}<p>No day is pending.</p>{{/pendingDays}}
{{#pendingDays}}<section aria-label="Pending day {{date}}">
<h3>{{date}}{{#incomplete}}, an incomplete copy{{/incomplete}}</h3>
<p>Kept as {{file}}.{{#dropUrl}} <a href="{{dropUrl}}">Drop…</a>{{/dropUrl}}</p>
{{#why}}<p>{{#isLastRun}}The last run did nothing: {{/isLastRun}}{{#isHeld}}Why it is held: {{/isHeld}}{{text}}{{#run}} (<a href="{{url}}">the run of {{when}}</a>){{/run}}.</p>
)";

constexpr const char* kStoreTail = R"({{/why}}
</section>
{{/pendingDays}}
<h2 id="runs">Runs</h2>
{{^runs.any}}<p>No run recorded yet.</p>{{/runs.any}}
{{#runs.any}}
<table class="list">
<caption>Newest first: page {{runs.page}} of {{runs.pages}} (runs recorded: {{runs.total}})</caption>
<thead><tr><th scope="col">Run</th><th scope="col">Posted</th><th scope="col">Refused</th><th scope="col">Already in QuickBooks</th><th scope="col">Not sent</th><th scope="col">No answer</th><th scope="col">Exit status</th><th scope="col">Mail</th></tr></thead>
<tbody>
{{#runs.items}}<tr><th scope="row"><a href="{{url}}">{{when}}</a></th><td data-label="Posted">{{#counts}}{{posted}}{{/counts}}{{^counts}}not known{{/counts}}</td><td data-label="Refused">{{#counts}}{{refused}}{{/counts}}{{^counts}}not known{{/counts}}</td><td data-label="Already in QuickBooks">{{#counts}}{{alreadyInQuickBooks}}{{/counts}}{{^counts}}not known{{/counts}}</td><td data-label="Not sent">{{#counts}}{{notSent}}{{/counts}}{{^counts}}not known{{/counts}}</td><td data-label="No answer">{{#counts}}{{noAnswer}}{{/counts}}{{^counts}}not known{{/counts}}</td><td data-label="Exit status">{{#ended}}{{exitStatus}}, {{/ended}}{{outcome}}</td><td data-label="Mail">{{mail}}</td></tr>
{{/runs.items}}
</tbody>
</table>
<p>{{#runs.newer}}<a href="{{runs.newer}}">Newer runs</a> {{/runs.newer}}{{#runs.older}}<a href="{{runs.older}}">Older runs</a>{{/runs.older}}</p>
{{/runs.any}}
<p>The same data: <a href="{{api}}">{{api}}</a>.</p>
)";

constexpr const char* kRunHead = R"(<p><a href="{{store.url}}">{{store.label}}</a></p>
<h1>The run of {{when}}</h1>
<p>{{headline}}</p>
<table aria-label="The run">
<tr><th scope="row">Started</th><td>{{start.shown}}</td></tr>
<tr><th scope="row">Ended</th><td>{{#ended}}{{end.shown}}{{/ended}}{{^ended}}not recorded{{/ended}}</td></tr>
<tr><th scope="row">Exit status</th><td>{{#ended}}{{exitStatus}}, {{/ended}}{{outcome}}</td></tr>
{{#counts}}<tr><th scope="row">Posted</th><td>{{posted}}</td></tr>
<tr><th scope="row">Refused</th><td>{{refused}}</td></tr>
<tr><th scope="row">Already in QuickBooks</th><td>{{alreadyInQuickBooks}}</td></tr>
<tr><th scope="row">Not sent</th><td>{{notSent}}</td></tr>
<tr><th scope="row">No answer</th><td>{{noAnswer}}</td></tr>{{/counts}}
{{^counts}}<tr><th scope="row">What it posted</th><td>not known: the run did not record it before it stopped. Reconcile the day to see what QuickBooks holds of it; the next run posts what is missing, and nothing twice.</td></tr>{{/counts}}
<tr><th scope="row">Message to the bookkeeper</th><td>{{mail}}{{#unsentMail}}; kept on the store's Linux machine as {{unsentMail}}{{/unsentMail}}</td></tr>
{{#reason}}<tr><th scope="row">Why nothing was done</th><td>{{reason}}</td></tr>{{/reason}}
<tr><th scope="row">Pending days left</th><td>{{#ended}}{{#pending}}{{.}} {{/pending}}{{^pending}}none{{/pending}}{{/ended}}{{^ended}}not recorded: the store's page shows the days pending now{{/ended}}</td></tr>
</table>
<h2 id="days">Days</h2>
{{^days}}<p>The run tried no day.</p>{{/days}}
{{#days}}<section aria-label="Day {{dateText}}">
<h3>{{dateText}}</h3>
<p>{{#whole}}QuickBooks holds the whole day.{{/whole}}{{^whole}}Not posted whole{{#notPostedBecause}}: {{notPostedBecause}}{{/notPostedBecause}}.{{/whole}}</p>
)";

constexpr const char* kRunTail = R"(
{{#log}}<p>Import log: <a href="{{url}}">{{name}}</a> (<a href="{{downloadUrl}}">download</a>)</p>{{/log}}{{^log}}<p>No import log was kept for this day.</p>{{/log}}
</section>
{{/days}}
)";

constexpr const char* kLogTemplate = R"(<p class="noprint"><a href="{{runUrl}}">The run</a> · <a href="{{downloadUrl}}">Download {{name}}</a> · The browser's Print prints the log alone.</p>
<h1 class="noprint">{{name}}</h1>
<pre class="log">{{text}}</pre>
)";

const std::string& storeTemplate() {
    static const std::string text = std::string(kStoreHead) + kTransactions + kStoreTail;
    return text;
}

const std::string& runTemplate() {
    static const std::string text = std::string(kRunHead) + kTransactions + kRunTail;
    return text;
}

std::vector<std::string_view> segments(std::string_view rest) {
    std::vector<std::string_view> parts;
    while (!rest.empty()) {
        if (rest.front() != '/') return {};
        rest.remove_prefix(1);
        const size_t slash = rest.find('/');
        parts.push_back(rest.substr(0, slash));
        rest = slash == std::string_view::npos ? std::string_view() : rest.substr(slash);
    }
    return parts;
}

// A log's number in an address: 1 to 9999, without leading zeros.
std::optional<int> logNumber(std::string_view text) {
    if (text.empty() || text.size() > 4 || text[0] == '0') return std::nullopt;
    int n = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return std::nullopt;
        n = n * 10 + (c - '0');
    }
    return n;
}

// ?page=N; the first page for anything else.
int pageOf(const std::string& query) {
    std::string_view rest = query;
    while (!rest.empty()) {
        const size_t amp = rest.find('&');
        const std::string_view field = rest.substr(0, amp);
        if (field.starts_with("page=") && field.size() > 5 && field.size() <= 11) {
            int n = 0;
            bool digits = true;
            for (char c : field.substr(5)) {
                if (c < '0' || c > '9') digits = false;
                else n = n * 10 + (c - '0');
            }
            if (digits) return n;
        }
        rest = amp == std::string_view::npos ? std::string_view() : rest.substr(amp + 1);
    }
    return 1;
}

// Whether a day lists transactions: the templates show their table only then.
void markTransactions(json& holder) {
    holder["hasTransactions"] = holder.contains("transactions") && !holder["transactions"].empty();
}

// Content-Disposition for a file of this name: the name as plain ASCII in quotes (what
// cannot stand there becomes "_"), and whole in UTF-8 for the browsers that read that.
std::string attachment(const std::string& name) {
    std::string plain, encoded;
    for (unsigned char c : name) {
        plain += c < 0x20 || c >= 0x7F || c == '"' || c == '\\' || c == '/' || c == ';' ? '_' : static_cast<char>(c);
        if (std::isalnum(c) || c == '.' || c == '-' || c == '_') {
            encoded += static_cast<char>(c);
        } else {
            char hex[4];
            std::snprintf(hex, sizeof hex, "%%%02X", c);
            encoded += hex;
        }
    }
    return "attachment; filename=\"" + plain + "\"; filename*=UTF-8''" + encoded;
}

ConsoleReply notFound(const ConsoleVisit& visit, const std::string& what) {
    if (visit.api) return jsonReply(404, {{"error", what}});
    return htmlReply(404, messagePage("Not found", what, true, visit.formToken));
}

}  // namespace

StorePages::StorePages(std::shared_ptr<ConsoleStores> stores) : stores_(std::move(stores)) {}

std::optional<ConsoleReply> StorePages::answer(const ConsoleVisit& visit) {
    const std::string_view prefix = visit.api ? kApiPrefix : kPagesPrefix;
    const std::string_view path = visit.path;
    if (!path.starts_with(prefix)) return std::nullopt;
    const std::string_view rest = path.substr(prefix.size());
    if (!rest.empty() && rest != "/" && rest.front() != '/') return std::nullopt;
    const std::vector<std::string_view> parts = rest == "/" ? std::vector<std::string_view>{} : segments(rest);
    if (!rest.empty() && rest != "/" && parts.empty()) return std::nullopt;

    // The addresses of this part: 0, 1, 3, 5 or 6 segments of these shapes (the download as a page only).
    const size_t n = parts.size();
    const bool ours = n == 0 || n == 1 || (n == 3 && parts[1] == "runs") ||
                      (!visit.api && n == 5 && parts[1] == "runs" && parts[3] == "log") ||
                      (!visit.api && n == 6 && parts[1] == "runs" && parts[3] == "log" && parts[5] == "download");
    if (!ours) return std::nullopt;
    if (visit.request.method != "GET" && visit.request.method != "HEAD") {
        ConsoleReply reply = visit.api ? jsonReply(405, {{"error", "This address is only read."}})
                                       : htmlReply(405, messagePage("Only read", "This page is only read.", true,
                                                                    visit.formToken));
        reply.headers.emplace_back("Allow", "GET");
        return reply;
    }

    if (n == 0) {
        json model = stores_->stores(visit.now);
        if (visit.api) return jsonReply(200, model);
        model["any"] = !model["stores"].empty();
        model["postTime"] = model["stores"].empty() ? "" : model["stores"][0].value("postTime", "");
        return htmlReply(200, inLayout("Stores", rendered(kStoresTemplate, model), true, visit.formToken));
    }

    const std::string key(parts[0]);
    if (n == 1) {
        std::optional<json> model = stores_->store(key, pageOf(visit.query), visit.now);
        if (!model) return notFound(visit, "No store of the console's has this key.");
        if (visit.api) return jsonReply(200, *model);
        for (json& day : (*model)["pendingDays"])
            for (json& why : day["why"]) {
                markTransactions(why);
                why["isLastRun"] = why["kind"] == "last run";
                why["isHeld"] = why["kind"] != "last run" && why["kind"] != "transactions";
            }
        (*model)["runs"]["any"] = !(*model)["runs"]["items"].empty();
        (*model)["api"] = std::string(kApiPrefix) + "/" + key;
        const std::string title = (*model)["label"].get<std::string>();
        return htmlReply(200, inLayout(title, rendered(storeTemplate().c_str(), *model), true, visit.formToken));
    }

    const std::string id(parts[2]);
    if (n == 3) {
        std::optional<json> model = stores_->run(key, id);
        if (!model) return notFound(visit, "The store has no run of this id.");
        if (visit.api) return jsonReply(200, *model);
        for (json& day : (*model)["days"]) markTransactions(day);
        return htmlReply(200, inLayout("The run of " + (*model).value("when", id),
                                       rendered(runTemplate().c_str(), *model), true, visit.formToken));
    }

    std::optional<int> number = logNumber(parts[4]);
    std::optional<KeptLog> log = number ? stores_->log(key, id, *number) : std::nullopt;
    if (!log) return notFound(visit, "The run kept no such import log.");
    if (n == 6) {
        ConsoleReply reply{200, "text/plain; charset=windows-1252", log->bytes, {}};
        reply.headers.emplace_back("Content-Disposition", attachment(log->name));
        return reply;
    }
    const std::string url = log->runUrl + "/log/" + std::to_string(*number);
    json model = {{"name", log->name},
                  {"text", windows1252ToUtf8(log->bytes)},
                  {"runUrl", log->runUrl},
                  {"downloadUrl", url + "/download"}};
    return htmlReply(200, inLayout(log->name, rendered(kLogTemplate, model), true, visit.formToken));
}

}  // namespace ztl::qbwc
