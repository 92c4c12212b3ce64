#include "tests/support/free_port.h"
#include "web_connector_player.h"

#include <arpa/inet.h>
#include <httplib.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdio>
#include <pugixml.hpp>

#include "dotnet_soap_client.h"
#include "platform/vb_error.h"
#include "qbwc/soap_response.h"

namespace ztl::qbwc::test {

namespace {

// What QuickBooks answers to the host, company and preferences queries the Web Connector
// sends before the first sendRequestXML: only that call carries it.
constexpr const char* kHcpResponse =
    "<?xml version=\"1.0\" ?>\r\n<QBXML><QBXMLMsgsRs><HostQueryRs requestID=\"0\" statusCode=\"0\" "
    "statusSeverity=\"Info\" statusMessage=\"Status OK\"><HostRet><ProductName>QuickBooks Pro 2014"
    "</ProductName></HostRet></HostQueryRs></QBXMLMsgsRs></QBXML>";

std::string hexHresult(long number) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%08X", static_cast<unsigned>(static_cast<std::uint32_t>(number)));
    return text;
}

std::string_view local(const char* name) {
    std::string_view n = name;
    auto colon = n.find(':');
    return colon == std::string_view::npos ? n : n.substr(colon + 1);
}

pugi::xml_node findLocal(pugi::xml_node from, std::string_view name) {
    for (pugi::xml_node n : from.children()) {
        if (n.type() != pugi::node_element) continue;
        if (local(n.name()) == name) return n;
        if (pugi::xml_node inner = findLocal(n, name)) return inner;
    }
    return {};
}

}  // namespace

std::string soapEnvelope(const std::string& method, const WebConnectorPlayer::Params& params) {
    std::string body =
        "<?xml version=\"1.0\" encoding=\"utf-8\"?><soap:Envelope "
        "xmlns:soap=\"http://schemas.xmlsoap.org/soap/envelope/\" "
        "xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\" "
        "xmlns:xsd=\"http://www.w3.org/2001/XMLSchema\"><soap:Body><" +
        method + " xmlns=\"http://developer.intuit.com/\">";
    for (const auto& [name, value] : params)
        body += value.empty() ? "<" + name + " />" : "<" + name + ">" + xmlEscape(value) + "</" + name + ">";
    return body + "</" + method + "></soap:Body></soap:Envelope>";
}

WebConnectorPlayer::WebConnectorPlayer(Options options, std::shared_ptr<RequestProcessor> quickBooks)
    : options_(std::move(options)), quickBooks_(std::move(quickBooks)) {}

WebConnectorPlayer::~WebConnectorPlayer() {
    stop();
}

std::unique_ptr<httplib::ClientImpl> WebConnectorPlayer::newClient() const {
    std::unique_ptr<httplib::ClientImpl> client;
    if (options_.tls) {
        auto tls = std::make_unique<httplib::SSLClient>(options_.host, options_.port);
        tls->enable_server_certificate_verification(false);
        client = std::move(tls);
    } else {
        client = std::make_unique<httplib::ClientImpl>(options_.host, options_.port);
    }
    client->set_connection_timeout(2, 0);
    client->set_read_timeout(20, 0);  // longer than any hold the tests configure
    client->set_keep_alive(true);     // as the Web Connector's .NET client keeps its connection
    client->set_tcp_nodelay(true);
    return client;
}

SoapAnswer WebConnectorPlayer::post(const std::string& method, const std::string& body) {
    return post(*newClient(), method, body);
}

namespace {

SoapAnswer readAnswer(int status, const std::string& body, const std::string& method) {
    SoapAnswer answer;
    answer.status = status;
    answer.body = body;
    pugi::xml_document doc;
    if (!doc.load_string(body.c_str())) return answer;
    if (pugi::xml_node fault = findLocal(doc, "Fault")) {
        answer.fault = findLocal(fault, "faultstring").text().get();
        return answer;
    }
    if (pugi::xml_node result = findLocal(doc, method + "Result")) {
        bool array = false;
        for (pugi::xml_node s : result.children())
            if (s.type() == pugi::node_element && local(s.name()) == "string") {
                answer.results.push_back(s.text().get());
                array = true;
            }
        if (!array) answer.results.push_back(result.text().get());
    }
    return answer;
}

}  // namespace

SoapAnswer WebConnectorPlayer::post(httplib::ClientImpl& client, const std::string& method,
                                    const std::string& body) {
    httplib::Headers headers = {{"SOAPAction", "\"http://developer.intuit.com/" + method + "\""},
                                {"User-Agent", "MS Web Services Client Protocol 2.0.50727.8964"}};
    auto res = client.Post("/qbwc", headers, body, "text/xml; charset=utf-8");
    if (!res) return {};
    return readAnswer(res->status, res->body, method);
}

SoapAnswer WebConnectorPlayer::dotNetCall(const std::string& method, const Params& params) {
    if (!dotNet_) dotNet_ = std::make_unique<DotNetSoapClient>(options_.host, options_.port);
    HttpAnswer a =
        dotNet_->post("/qbwc", "http://developer.intuit.com/" + method, soapEnvelope(method, params));
    if (a.status == 0) return {};
    return readAnswer(a.status, a.body, method);
}

int WebConnectorPlayer::keptAliveFailures() const {
    return dotNet_ ? dotNet_->keptAliveFailures() : 0;
}

int WebConnectorPlayer::lateContinues() const {
    return dotNet_ ? dotNet_->lateContinues() : 0;
}

SoapAnswer WebConnectorPlayer::call(const std::string& method, const Params& params) {
    return post(method, soapEnvelope(method, params));
}

SoapAnswer WebConnectorPlayer::call(httplib::ClientImpl& client, const std::string& method,
                                    const Params& params) {
    return post(client, method, soapEnvelope(method, params));
}

void WebConnectorPlayer::log(std::vector<std::string>& lines, const std::string& line) {
    lines.push_back(line);
    std::lock_guard lock(mutex_);
    transcript_.push_back(line);
}

std::vector<std::string> WebConnectorPlayer::transcript() const {
    std::lock_guard lock(mutex_);
    return transcript_;
}

std::vector<std::string> WebConnectorPlayer::runOnce() {
    std::vector<std::string> lines;
    std::unique_ptr<httplib::ClientImpl> client = newClient();
    auto ask = [&](const std::string& method, const Params& params) {
        return options_.dotNet ? dotNetCall(method, params) : this->call(*client, method, params);
    };
    auto said = [&](const std::string& method, const SoapAnswer& a) {
        std::string results;
        for (const auto& r : a.results) results += (results.empty() ? "" : ",") + r;
        log(lines, method + " -> " +
                       (a.status == 0      ? "(no connection)"
                        : !a.fault.empty() ? "fault: " + a.fault
                                           : results));
        return a.status == 200;
    };
    if (!said("serverVersion", ask("serverVersion", {}))) return lines;
    if (!said("clientVersion", ask("clientVersion", {{"strVersion", "2.1.0.30"}}))) return lines;
    SoapAnswer auth =
        ask("authenticate", {{"strUserName", options_.userName}, {"strPassword", options_.password}});
    if (!said("authenticate", auth) || auth.results.size() < 2) return lines;
    const std::string ticket = auth.results[0];
    const std::string& what = auth.results[1];
    if (what == "none" || what == "nvu" || what == "busy") return lines;

    // The Web Connector opens QuickBooks with the company named, or the open one for "".
    std::string qbTicket, company;
    try {
        if (!quickBooks_) throw VbError(hresult::kCouldNotStart, "QBWC", "Could not start QuickBooks.");
        quickBooks_->OpenConnection("", "Korvane Zentrel");
        qbTicket = quickBooks_->BeginSession(what, kOpenModeDoNotCare);
        company = quickBooks_->GetCurrentCompanyFileName(qbTicket);
    } catch (const VbError& e) {
        said("connectionError",
             ask("connectionError",
                 {{"ticket", ticket}, {"hresult", hexHresult(e.number)}, {"message", e.description}}));
        said("closeConnection", ask("closeConnection", {{"ticket", ticket}}));
        return lines;
    }

    bool first = true;
    while (!stopping_) {
        SoapAnswer req = ask("sendRequestXML", {{"ticket", ticket},
                                                {"strHCPResponse", first ? kHcpResponse : ""},
                                                {"strCompanyFileName", company},
                                                {"qbXMLCountry", "US"},
                                                {"qbXMLMajorVers", "13"},
                                                {"qbXMLMinorVers", "0"}});
        first = false;
        if (!said("sendRequestXML", req)) break;
        if (req.result().empty()) {
            SoapAnswer last = ask("getLastError", {{"ticket", ticket}});
            if (!said("getLastError", last) || last.result() != "NoOp") break;
            std::this_thread::sleep_for(options_.noOpPause);
            continue;
        }
        Params answer{{"ticket", ticket}, {"response", ""}, {"hresult", ""}, {"message", ""}};
        try {
            std::this_thread::sleep_for(options_.quickBooksPause);
            answer[1].second = quickBooks_->ProcessRequest(qbTicket, req.result());
        } catch (const VbError& e) {
            answer[2].second = hexHresult(e.number);
            answer[3].second = e.description;
        }
        ++requests_;
        if (req.result().find("<JournalEntryAddRq") != std::string::npos &&
            ++entries_ == options_.loseAnswerOfEntry) {
            log(lines, "(vanished before receiveResponseXML)");
            return lines;  // no answer, no closeConnection: as a Web Connector that died
        }
        SoapAnswer done = ask("receiveResponseXML", answer);
        if (!said("receiveResponseXML", done)) break;
        int percent = std::atoi(done.result().c_str());
        if (percent >= 100) break;
        if (percent < 0) {
            said("getLastError", ask("getLastError", {{"ticket", ticket}}));
            break;
        }
    }
    said("closeConnection", ask("closeConnection", {{"ticket", ticket}}));
    try {
        quickBooks_->EndSession(qbTicket);
        quickBooks_->CloseConnection();
    } catch (const VbError&) {
    }
    return lines;
}

void WebConnectorPlayer::start() {
    thread_ = std::thread([this] {
        while (!stopping_) {
            runOnce();
            std::this_thread::sleep_for(options_.schedule);
        }
    });
}

void WebConnectorPlayer::stop() {
    stopping_ = true;
    if (thread_.joinable()) thread_.join();
}

int freePort() {
    return testsupport::freePort();
}

}  // namespace ztl::qbwc::test
