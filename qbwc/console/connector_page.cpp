#include "qbwc/console/connector_page.h"

#include <cctype>

#include "qbwc/console/console_pages.h"
#include "qbwc/console/form_fields.h"
#include "qbwc/failure_codes.h"

namespace ztl::qbwc {

namespace {

constexpr const char* kPage = "/console/web-connector";
constexpr const char* kFile = "/console/web-connector/zentrel.qwc";
constexpr const char* kData = "/console/api/web-connector";
constexpr const char* kUnattended = "unattended=1";

constexpr const char* kTemplate = R"(<h1>The Web Connector</h1>
<p>The QuickBooks Web Connector on the Windows PC calls this service and runs Zentrel's requests in QuickBooks. This page has the file that adds Zentrel to it, the steps on that PC, and what to do when it reports a failure.</p>
<h2 id="qwc">The .qwc file</h2>
{{#qwc.available}}
<p>It makes the Web Connector call <code>{{qwc.appUrl}}</code> as the user <code>{{qwc.userName}}</code>; its support page is this console.</p>
<ul>
<li><a href="{{qwc.download}}" download="Zentrel.qwc">Zentrel.qwc</a>: for runs while someone works at the PC, with QuickBooks open.</li>
<li><a href="{{qwc.unattendedDownload}}" download="Zentrel.qwc">Zentrel.qwc for runs after hours</a>: the Web Connector may open the company while QuickBooks is not running, as the nightly runs need.</li>
</ul>
<p>Each is the file <code>ztl qbwc file</code> writes on the store's Linux machine (the second with <code>--unattended</code>). Both name Zentrel with the identifiers the Web Connector already knows: to change from one to the other, remove Korvane Zentrel from the Web Connector first, then add the other.</p>
{{/qwc.available}}
{{^qwc.available}}
<p class="warning" role="alert">No .qwc file can be made yet. {{qwc.missing}}</p>
{{/qwc.available}}
<h2 id="steps">On the Windows PC</h2>
<ol>
<li>Open QuickBooks as the company's administrator, with the company Zentrel posts into.</li>
<li>Download the .qwc file above. In the Web Connector: <strong>Add an application</strong>, choose the file, and confirm.</li>
<li>QuickBooks asks whether to let "Korvane Zentrel" in. For runs after hours, with nobody at the PC, choose <strong>Yes, always allow access even if QuickBooks is not running</strong>; otherwise <strong>Yes, whenever this QuickBooks company file is open</strong>. Then <strong>Continue</strong> and <strong>Done</strong>.</li>
<li>The Web Connector lists Korvane Zentrel. Type its password into the <strong>Password</strong> column and let the Web Connector keep it. It is the Web Connector's password, set on the store's Linux machine with <code>ztl qbwc set-password</code>, not this console's.</li>
<li>Tick <strong>Auto-Run</strong>: the Web Connector then calls on its own every 10 seconds while it runs.</li>
<li>To make it call now: tick Korvane Zentrel and click <strong>Update Selected</strong>. The <a href="/console/">status page</a> shows the call.</li>
</ol>
<h2 id="failures">When the Web Connector reports a failure</h2>
<p>None of these can be mended from the store's Linux machine. After the step, click <strong>Update Selected</strong> in the Web Connector to try again.</p>
<table class="codes" aria-labelledby="failures">
<thead><tr><th scope="col">Code</th><th scope="col">What it says</th><th scope="col">Usual causes</th><th scope="col">Step on the Windows PC</th></tr></thead>
<tbody>
{{#failures}}<tr><th scope="row">{{code}}</th><td data-label="What it says">{{said}}</td><td data-label="Usual causes">{{cause}}</td><td data-label="Step on the Windows PC">{{step}}</td></tr>
{{/failures}}
</tbody>
</table>
<p>The same data: <a href="/console/api/web-connector">/console/api/web-connector</a>.</p>
)";

std::string sentence(std::string text) {
    if (!text.empty()) text.front() = static_cast<char>(std::toupper(static_cast<unsigned char>(text.front())));
    return text + ".";
}

}  // namespace

ConnectorPage::ConnectorPage(StoredQwc stored) : stored_(std::move(stored)) {}

nlohmann::json ConnectorPage::model(const std::optional<QwcFields>& fields, const std::string& missing) const {
    nlohmann::json qwc = {{"available", fields.has_value()}};
    if (fields) {
        qwc["appUrl"] = fields->appUrl;
        qwc["userName"] = fields->userName;
        qwc["appSupport"] = fields->appSupport;
        qwc["download"] = kFile;
        qwc["unattendedDownload"] = std::string(kFile) + "?" + kUnattended;
    } else {
        qwc["missing"] = missing;
    }
    nlohmann::json failures = nlohmann::json::array();
    for (const FailureCode& f : failureCodes())
        failures.push_back({{"code", f.code}, {"said", f.said}, {"cause", sentence(f.cause)}, {"step", sentence(f.step)}});
    return {{"qwc", qwc}, {"failures", failures}};
}

std::optional<ConsoleReply> ConnectorPage::answer(const ConsoleVisit& visit) const {
    if (visit.request.method != "GET" || (visit.path != kPage && visit.path != kFile && visit.path != kData))
        return std::nullopt;
    std::string missing;
    const std::optional<QwcFields> fields = stored_(missing);
    if (visit.path == kData) return jsonReply(200, model(fields, missing));
    if (visit.path == kPage)
        return htmlReply(200, inLayout("Web Connector", rendered(kTemplate, model(fields, missing)), true,
                                       visit.formToken));
    if (!fields)
        return htmlReply(404, messagePage("No .qwc file yet", missing, true, visit.formToken));
    QwcFields f = *fields;
    f.unattended = formFields(visit.query)["unattended"] == "1";
    ConsoleReply reply{200, "application/xml; charset=utf-8", qwcFileText(f), {}};
    reply.headers.emplace_back("Content-Disposition", "attachment; filename=\"Zentrel.qwc\"");
    return reply;
}

}  // namespace ztl::qbwc
