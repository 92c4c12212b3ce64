#include "qbwc/console/bookkeeper_console.h"

#include <map>
#include <optional>
#include <stdexcept>

#include <nlohmann/json.hpp>

#include "qbwc/console/console_pages.h"
#include "qbwc/console/console_password_file.h"
#include "qbwc/console/console_path.h"
#include "qbwc/console/console_status.h"
#include "qbwc/console/form_fields.h"
#include "qbwc/password_hash.h"
#include "qbwc/random_id.h"

namespace ztl::qbwc {

namespace {

constexpr const char* kSessionCookie = "zentrel_console";
constexpr const char* kSignInCookie = "zentrel_console_signin";
constexpr const char* kApiPrefix = "/console/api/";

// What every answer of the console carries: nothing cached, nothing framed, nothing loaded
// from elsewhere, no address passed on to another site.
void secure(ConsoleReply& reply) {
    reply.headers.emplace_back("Cache-Control", "no-store");
    reply.headers.emplace_back("X-Content-Type-Options", "nosniff");
    reply.headers.emplace_back("X-Frame-Options", "DENY");
    reply.headers.emplace_back("Referrer-Policy", "no-referrer");
    reply.headers.emplace_back("Content-Security-Policy",
                               "default-src 'none'; style-src 'unsafe-inline'; form-action 'self'; "
                               "frame-ancestors 'none'; base-uri 'none'");
}

std::string cookie(const char* name, const std::string& value, bool overTls, bool remove = false) {
    return std::string(name) + "=" + value + "; Path=/console/; HttpOnly; SameSite=Strict" +
           (overTls ? "; Secure" : "") + (remove ? "; Max-Age=0" : "");
}

bool isToken(const std::string& text) {
    return text.size() == 32 && text.find_first_not_of("0123456789abcdef") == std::string::npos;
}

}  // namespace

struct BookkeeperConsole::Visit {
    const ConsoleRequest& request;
    std::string path;
    std::map<std::string, std::string> form;
    bool api = false;
};

BookkeeperConsole::BookkeeperConsole(ConsoleSetup setup) : setup_(std::move(setup)), sessions_(setup_.idle) {
    if (!setup_.steadyNow) setup_.steadyNow = [] { return std::chrono::steady_clock::now(); };
    if (!setup_.wallNow) setup_.wallNow = [] { return std::chrono::system_clock::now(); };
    if (!setup_.note) setup_.note = [](const std::string&) {};
}

std::string BookkeeperConsole::storedHash() {
    return readConsolePasswordHash(setup_.passwordFile);
}

ConsoleReply BookkeeperConsole::answer(const ConsoleRequest& request,
                                       const std::function<ServiceStatus()>& status) {
    ConsoleReply reply;
    try {
        auto path = consolePath(request.target);
        Visit visit{request, path.value_or(""), {}, path && path->starts_with(kApiPrefix)};
        if (!path) {
            reply = {400,
                     "text/html; charset=utf-8",
                     messagePage("Address refused", "This address is not one of the console's.", false, ""),
                     {}};
        } else if (*path == "/console") {
            reply = redirectReply(kConsolePath);
        } else {
            if (request.method == "POST") visit.form = formFields(request.body);
            std::string hash = storedHash();
            std::string id = cookieValue(request.cookie, kSessionCookie);
            std::optional<std::string> token;
            if (!id.empty() && !hash.empty()) token = sessions_.use(id, hash, setup_.steadyNow());
            if (*path == "/console/sign-in" && request.method == "POST")
                reply = signIn(visit);
            else if (token)
                reply = signedIn(visit, *token, status);
            else if (visit.api)
                reply = jsonReply(401, {{"error", "Sign in first: open /console/ in the browser."}});
            else
                reply = signInPage(visit, request.method == "POST" ? 401 : 200, "");
        }
    } catch (const std::exception& e) {
        // The reason names files of this machine: it goes to the log, not to whoever asked.
        setup_.note(std::string("the console could not answer ") + request.target + ": " + e.what());
        reply = {500,
                 "text/html; charset=utf-8",
                 messagePage("The console cannot answer",
                             "Something on the store's Linux machine keeps the console from answering; the "
                             "service's log says what (ztl qbwc status names the log).",
                             false, ""),
                 {}};
    }
    secure(reply);
    return reply;
}

ConsoleReply BookkeeperConsole::signInPage(const Visit& visit, int status, const std::string& message) {
    std::string token = cookieValue(visit.request.cookie, kSignInCookie);
    if (!isToken(token)) token = newTicket();
    nlohmann::json model = {{"formToken", token}};
    if (!message.empty()) model["message"] = message;
    ConsoleReply reply{status, "text/html; charset=utf-8", qbwc::signInPage(model), {}};
    reply.headers.emplace_back("Set-Cookie", cookie(kSignInCookie, token, visit.request.overTls));
    return reply;
}

ConsoleReply BookkeeperConsole::signIn(const Visit& visit) {
    const std::string& peer = visit.request.peer;
    auto sent = visit.form.find("token");
    if (sent == visit.form.end() ||
        !sameSecret(sent->second, cookieValue(visit.request.cookie, kSignInCookie)))
        return signInPage(visit, 403, "The sign-in form had expired: type the password again.");
    auto password = visit.form.find("password");
    std::string hash = storedHash();
    if (hash.empty())
        return signInPage(visit, 403,
                          "No console password is set yet. On the store's Linux machine run ztl qbwc "
                          "set-console-password, then sign in here.");
    {
        // A second sign-in while one is being checked is turned away rather than queued: the
        // workers it would hold are the Web Connector's too.
        std::unique_lock lock(checking_, std::try_to_lock);
        if (!lock.owns_lock()) {
            ConsoleReply reply = signInPage(
                visit, 429, "Another sign-in is being checked: type the password again in a moment.");
            reply.headers.emplace_back("Retry-After", "1");
            return reply;
        }
        const auto now = setup_.steadyNow();
        if (auto wait = guard_.pauseLeft(peer, now)) {
            auto seconds = (wait->count() + 999) / 1000;
            ConsoleReply reply =
                signInPage(visit, 429,
                           "Too many wrong passwords from this computer: wait " + std::to_string(seconds) +
                               " seconds, then type the password again.");
            reply.headers.emplace_back("Retry-After", std::to_string(seconds));
            return reply;
        }
        if (password == visit.form.end() || !verifyPassword(password->second, hash)) {
            guard_.refused(peer, now);
            setup_.note("the console refused a wrong password from " + peer);
            return signInPage(visit, 401,
                              "Wrong password. The console's password is not the Web Connector's.");
        }
        guard_.accepted(peer);
    }
    auto opened = sessions_.open(hash, setup_.steadyNow());
    setup_.note("the console: signed in from " + peer);
    ConsoleReply reply = redirectReply(kConsolePath);
    reply.headers.emplace_back("Set-Cookie", cookie(kSessionCookie, opened.id, visit.request.overTls));
    reply.headers.emplace_back("Set-Cookie", cookie(kSignInCookie, "", visit.request.overTls, true));
    return reply;
}

ConsoleReply BookkeeperConsole::signedIn(const Visit& visit, const std::string& formToken,
                                         const std::function<ServiceStatus()>& status) {
    const ConsoleRequest& request = visit.request;
    if (request.method == "POST") {
        auto sent = visit.form.find("token");
        if (sent == visit.form.end() || !sameSecret(sent->second, formToken))
            return {403,
                    "text/html; charset=utf-8",
                    messagePage("Form refused",
                                "This form did not come from the console's own page (its token is missing or "
                                "old). Open the page again and send it from there.",
                                true, formToken),
                    {}};
        if (visit.path == "/console/sign-out") {
            sessions_.end(cookieValue(request.cookie, kSessionCookie));
            ConsoleReply reply = redirectReply(kConsolePath);
            reply.headers.emplace_back("Set-Cookie", cookie(kSessionCookie, "", request.overTls, true));
            return reply;
        }
    } else if (visit.path == "/console/" || visit.path == "/console/api/status") {
        nlohmann::json model = statusModel(
            status(), {setup_.programsAddress ? setup_.programsAddress() : std::string(), setup_.served},
            setup_.wallNow());
        if (setup_.nights) model["nights"] = setup_.nights(setup_.wallNow());
        if (visit.api) return jsonReply(200, model);
        model["formToken"] = formToken;
        return {200, "text/html; charset=utf-8", statusPage(model), {}};
    } else if (visit.path == "/console/sign-in") {
        return redirectReply(kConsolePath);
    }
    const std::string& target = request.target;
    auto mark = target.find('?');
    ConsoleVisit asked{request,
                       visit.path,
                       mark == std::string::npos ? std::string() : target.substr(mark + 1),
                       visit.form,
                       visit.api,
                       formToken,
                       request.peer,
                       setup_.wallNow()};
    for (const auto& route : setup_.routes)
        if (auto reply = route(asked)) return std::move(*reply);
    if (visit.api) return jsonReply(404, {{"error", "No such data address: " + visit.path}});
    return {404,
            "text/html; charset=utf-8",
            messagePage("Not found", "The console has no page " + visit.path + ".", true, formToken),
            {}};
}

}  // namespace ztl::qbwc
