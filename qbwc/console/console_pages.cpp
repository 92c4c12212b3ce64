#include "qbwc/console/console_pages.h"

#include <stdexcept>

#include <kainjow/mustache.hpp>

namespace ztl::qbwc {

namespace {

namespace mustache = kainjow::mustache;

// What every page shares: the head with its stylesheet, the navigation once signed in.
constexpr const char* kLayout = R"(<!DOCTYPE html>
<html lang="en">
<head>
<meta charset="utf-8">
<meta name="viewport" content="width=device-width, initial-scale=1">
<title>{{title}} - Zentrel console</title>
<style>
body{font-family:system-ui,-apple-system,"Segoe UI",Roboto,sans-serif;margin:0;color:#1b1b1b;background:#fafafa;line-height:1.45}
header{background:#24415f;color:#fff;padding:.6rem 1rem;display:flex;flex-wrap:wrap;gap:.5rem 1.5rem;align-items:center}
header a{color:#fff;margin-right:1rem}
header form{margin-left:auto}
main{max-width:60rem;margin:0 auto;padding:1rem}
h1{font-size:1.5rem;margin:.2rem 0 1rem}
h2{font-size:1.15rem;margin:1.5rem 0 .5rem}
table{border-collapse:collapse;width:100%;background:#fff}
th,td{text-align:left;vertical-align:top;padding:.4rem .6rem;border-bottom:1px solid #ddd;overflow-wrap:anywhere}
th{width:16rem;font-weight:600}
.warning{border-left:.4rem solid #b35900;background:#fff4e5;padding:.6rem 1rem}
.alert{border-left:.4rem solid #b00020;background:#fdecee;padding:.6rem 1rem}
.fine{border-left:.4rem solid #2e7d32;background:#edf7ee;padding:.6rem 1rem}
label{display:block;margin:.8rem 0 .2rem;font-weight:600}
input[type=password]{font-size:1rem;padding:.4rem;width:100%;max-width:20rem;box-sizing:border-box}
button{font-size:1rem;padding:.4rem 1rem;margin-top:.8rem}
pre{white-space:pre-wrap;overflow-wrap:anywhere;background:#fff;border:1px solid #ddd;padding:.6rem;font-size:.9rem}
input[type=text]{font-size:1rem;padding:.4rem;width:100%;max-width:20rem;box-sizing:border-box}
label.choice{display:inline;font-weight:normal}
fieldset{border:1px solid #ddd;background:#fff}
@media (max-width:40rem){th{width:auto}th,td{display:block;border:0}tr{border-bottom:1px solid #ddd;display:block}}
@media print{header{display:none}body{background:#fff}}
table.list th{width:auto}
pre.log{white-space:pre-wrap;overflow-wrap:anywhere;background:#fff;border:1px solid #ddd;padding:.6rem;font-size:.85rem}
@media print{.noprint{display:none}main{max-width:none;padding:0}pre.log{border:0;padding:0;font-size:9pt}}
table.codes th{width:auto;overflow-wrap:normal}
@media (max-width:40rem){.codes thead{position:absolute;left:-9999px}.codes td::before{content:attr(data-label) ": ";font-weight:600}}
/* Lists: short cells keep their words whole, long names break anywhere; on a phone each cell names its column. */
table.list th,table.list td{overflow-wrap:break-word}
table.list td.long{overflow-wrap:anywhere}
@media (max-width:40rem){.list thead{position:absolute;left:-9999px}.list td[data-label]::before{content:attr(data-label) ": ";font-weight:600}}
</style>
</head>
<body>
<header>
<strong>Zentrel console</strong>
{{#signedIn}}
<nav aria-label="Console"><a href="/console/">Status</a> <a href="/console/stores">Stores</a> <a href="/console/web-connector">Web Connector</a></nav>
<form method="post" action="/console/sign-out"><input type="hidden" name="token" value="{{formToken}}"><button type="submit">Sign out</button></form>
{{/signedIn}}
</header>
<main>
{{{content}}}
</main>
</body>
</html>
)";

constexpr const char* kSignIn = R"(<h1>Sign in</h1>
{{#message}}<p class="alert" role="alert">{{message}}</p>{{/message}}
<form method="post" action="/console/sign-in">
<input type="hidden" name="token" value="{{formToken}}">
<label for="password">Console password</label>
<input type="password" id="password" name="password" autocomplete="current-password" required autofocus>
<button type="submit">Sign in</button>
</form>
<p>The console's password is set on the store's Linux machine with <code>ztl qbwc set-console-password</code>; it is not the Web Connector's.</p>
)";

constexpr const char* kStatus = R"(<h1>Status</h1>
{{#silenceWarning}}<p class="{{#alert}}alert{{/alert}}{{^alert}}warning{{/alert}}" role="alert">{{text}}</p>{{/silenceWarning}}
{{#programsAddress}}{{^reached}}<p class="alert" role="alert">{{advice}}</p>{{/reached}}{{/programsAddress}}
<h2 id="web-connector">The Web Connector</h2>
<table aria-labelledby="web-connector">
<tr><th scope="row">Last call</th><td>{{#webConnector.lastCall}}{{shown}}{{/webConnector.lastCall}}{{^webConnector.lastCall}}none since the service started ({{service.started.shown}}){{/webConnector.lastCall}}</td></tr>
<tr><th scope="row">Company it had open</th><td>{{#webConnector.company}}{{webConnector.company}}{{/webConnector.company}}{{^webConnector.company}}none reported yet{{/webConnector.company}}</td></tr>
<tr><th scope="row">Session open now</th><td>{{#webConnector.sessionOpen}}yes{{/webConnector.sessionOpen}}{{^webConnector.sessionOpen}}no{{/webConnector.sessionOpen}}</td></tr>
<tr><th scope="row">Last event</th><td>{{#webConnector.lastEvent}}{{shown}}: {{text}}{{/webConnector.lastEvent}}{{^webConnector.lastEvent}}none yet{{/webConnector.lastEvent}}</td></tr>
</table>
<h2 id="service">This service</h2>
<table aria-labelledby="service">
<tr><th scope="row">The Web Connector calls</th><td>{{service.url}}</td></tr>
<tr><th scope="row">Serves the programs at</th><td>{{programsAddress.served}}</td></tr>
<tr><th scope="row">The programs use</th><td>{{#programsAddress.programs}}{{programsAddress.programs}}{{/programsAddress.programs}}{{^programsAddress.programs}}nothing set{{/programsAddress.programs}}{{#programsAddress.reached}} (this service){{/programsAddress.reached}}</td></tr>
<tr><th scope="row">Programs connected</th><td>{{queue.programsConnected}}</td></tr>
<tr><th scope="row">Requests waiting</th><td>{{queue.requestsWaiting}}</td></tr>
<tr><th scope="row">Running since</th><td>{{service.started.shown}}</td></tr>
</table>
{{#nights}}
<h2 id="nights">The nights</h2>
<table aria-labelledby="nights">
<tr><th scope="row">The last run that posted</th><td>{{#lastPosted}}<a href="{{run.url}}">{{run.end.shown}}</a>, <a href="{{store.url}}">{{store.label}}</a>: {{run.headline}}{{/lastPosted}}{{^lastPosted}}none recorded yet{{/lastPosted}}</td></tr>
{{#nextRuns}}<tr><th scope="row">Next timer run of <a href="{{url}}">{{label}}</a></th><td>{{next.shown}} (daily at {{postTime}}, the setting PostTime)</td></tr>
{{/nextRuns}}
{{^nextRuns}}<tr><th scope="row">Next timer run</th><td>no store's nightly timer is switched on</td></tr>{{/nextRuns}}
</table>
{{/nights}}
<p>Shown at {{now.shown}}. The same data: <a href="/console/api/status">/console/api/status</a>.</p>
)";

constexpr const char* kMessage = R"(<h1>{{title}}</h1>
<p>{{message}}</p>
)";

mustache::data toData(const nlohmann::json& value) {
    switch (value.type()) {
        case nlohmann::json::value_t::object: {
            mustache::data object(mustache::data::type::object);
            for (const auto& [name, item] : value.items()) object.set(name, toData(item));
            return object;
        }
        case nlohmann::json::value_t::array: {
            mustache::data list(mustache::data::type::list);
            for (const auto& item : value) list.push_back(toData(item));
            return list;
        }
        case nlohmann::json::value_t::string:
            return mustache::data(value.get<std::string>());
        case nlohmann::json::value_t::boolean:
            return mustache::data(value.get<bool>());
        case nlohmann::json::value_t::null:
            return mustache::data(false);
        default:
            return mustache::data(value.dump());
    }
}

}  // namespace

std::string rendered(const char* text, const nlohmann::json& model) {
    mustache::mustache page(text);
    if (!page.is_valid()) throw std::logic_error("a console template is broken: " + page.error_message());
    return page.render(toData(model));
}

ConsoleReply redirectReply(const std::string& to) {
    ConsoleReply reply{303, "text/plain; charset=utf-8", "See " + to + "\n", {}};
    reply.headers.emplace_back("Location", to);
    return reply;
}

ConsoleReply htmlReply(int status, std::string page) {
    return {status, "text/html; charset=utf-8", std::move(page), {}};
}

// A name from QuickBooks or a file need not be UTF-8: a byte that is not shows as U+FFFD
// rather than failing the whole answer.
ConsoleReply jsonReply(int status, const nlohmann::json& value) {
    return {status, "application/json; charset=utf-8",
            value.dump(2, ' ', false, nlohmann::json::error_handler_t::replace) + "\n", {}};
}

std::string inLayout(const std::string& title, const std::string& content, bool signedIn,
                     const std::string& formToken) {
    return rendered(
        kLayout, {{"title", title}, {"content", content}, {"signedIn", signedIn}, {"formToken", formToken}});
}

std::string signInPage(const nlohmann::json& model) {
    return inLayout("Sign in", rendered(kSignIn, model), false, "");
}

std::string statusPage(const nlohmann::json& model) {
    nlohmann::json m = model;
    if (m["silenceWarning"].is_object())
        m["silenceWarning"]["alert"] = m["silenceWarning"]["hours"].get<int>() >= 24;
    return inLayout("Status", rendered(kStatus, m), true, m.value("formToken", ""));
}

std::string messagePage(const std::string& title, const std::string& message, bool signedIn,
                        const std::string& formToken) {
    return inLayout(title, rendered(kMessage, {{"title", title}, {"message", message}}), signedIn, formToken);
}

}  // namespace ztl::qbwc
