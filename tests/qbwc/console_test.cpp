// The bookkeeper's console as a browser and an intruder meet it: nothing before sign-in,
// forms that need their token, a guessed password paced, hostile text shown as text, paths
// that step out refused, oversized bodies refused unread.
#include <gtest/gtest.h>
#include <httplib.h>
#include <sys/stat.h>

#include <nlohmann/json.hpp>

#include <atomic>
#include <regex>

#include "bridge_fixture.h"
#include "qbwc/console/bookkeeper_console.h"
#include "qbwc/console/console_password_file.h"
#include "qbwc/console/console_status.h"
#include "qbwc/password_hash.h"
#include "qbwc/qwc_file.h"
#include "tests/support/shell_command.h"

namespace ztl::qbwc {
namespace {

using namespace std::chrono_literals;
using test::kPassword;

std::string formEncoded(const std::string& text) {
    std::string out;
    for (unsigned char c : text) {
        char hex[4];
        std::snprintf(hex, sizeof hex, "%%%02X", c);
        out += std::isalnum(c) ? std::string(1, static_cast<char>(c)) : std::string(hex);
    }
    return out;
}

const std::string kHostile = "Shop \"One\" <script>alert('x')</script> & Co";

class Console : public ::testing::Test {
  protected:
    test::TempFolder dir{"console"};
    std::chrono::steady_clock::time_point now{std::chrono::hours(1000)};
    ServiceStatus seen;
    std::string programs = "qbwc:127.0.0.1:8080";
    std::atomic<int> statusAsked{0};
    std::unique_ptr<BookkeeperConsole> console;

    void SetUp() override {
        writeConsolePasswordHash(passwordFile(), hashPassword(kPassword, 1000));
        seen.url = "http://localhost:8080/qbwc";
        seen.startedAt = std::chrono::system_clock::now() - 1h;
        seen.everHeard = true;
        seen.lastHeard = std::chrono::system_clock::now() - 5min;
        seen.company = "C:\\Books\\Shop.qbw";
        ConsoleSetup setup{passwordFile(), [this] { return programs; }, "qbwc:127.0.0.1:8080", 30min, {}};
        setup.steadyNow = [this] { return now; };
        console = std::make_unique<BookkeeperConsole>(setup);
    }

    std::filesystem::path passwordFile() const { return dir / "config" / kConsolePasswordFileName; }

    ConsoleReply ask(const std::string& method, const std::string& target, const std::string& cookie = "",
                     const std::string& body = "", const std::string& peer = "127.0.0.1") {
        ConsoleRequest request{method, target, cookie, "application/x-www-form-urlencoded",
                               body,   peer,   false};
        return console->answer(request, [this] {
            ++statusAsked;
            return seen;
        });
    }

    static std::vector<std::string> headers(const ConsoleReply& reply, const std::string& name) {
        std::vector<std::string> values;
        for (const auto& [n, v] : reply.headers)
            if (n == name) values.push_back(v);
        return values;
    }
    // "name=value" of the cookie `name` the reply sets.
    static std::string cookieSet(const ConsoleReply& reply, const std::string& name) {
        for (const auto& value : headers(reply, "Set-Cookie"))
            if (value.starts_with(name + "=")) return value.substr(0, value.find(';'));
        return {};
    }
    static std::string formToken(const std::string& page) {
        std::smatch m;
        return std::regex_search(page, m, std::regex("name=\"token\" value=\"([0-9a-f]+)\"")) ? m[1].str()
                                                                                              : "";
    }

    // Signs in from `peer` with `password`; the reply to the sign-in form.
    ConsoleReply trySignIn(const std::string& password, const std::string& peer = "127.0.0.1") {
        ConsoleReply page = ask("GET", "/console/");
        std::string cookie = cookieSet(page, "zentrel_console_signin");
        return ask("POST", "/console/sign-in", cookie,
                   "token=" + formToken(page.body) + "&password=" + formEncoded(password), peer);
    }
    // The session cookie after a sign-in that must succeed.
    std::string signIn() {
        ConsoleReply reply = trySignIn(kPassword);
        EXPECT_EQ(reply.status, 303) << reply.body;
        return cookieSet(reply, "zentrel_console");
    }
};

TEST_F(Console, NothingIsShownBeforeSignInNotEvenTheStatus) {
    seen.company = "C:\\Books\\Secret Store.qbw";
    for (const char* page : {"/console/", "/console/stores", "/console/nights/2026-12-01", "/console/sign-out",
                             "/console/?x=1", "/console/web-connector", "/console/web-connector/zentrel.qwc",
                             "/console/stores/0123456789ab/post", "/console/stores/0123456789ab/undo",
                             "/console/jobs/0123456789ab"}) {
        for (const std::string& cookie :
             {std::string(), std::string("zentrel_console=") + std::string(64, 'a')}) {
            ConsoleReply reply = ask("GET", page, cookie);
            EXPECT_EQ(reply.status, 200) << page << " answers the sign-in page (the Web Connector checks it)";
            EXPECT_NE(reply.body.find("action=\"/console/sign-in\""), std::string::npos) << page;
            EXPECT_EQ(reply.body.find("Secret Store"), std::string::npos) << page;
        }
        EXPECT_EQ(ask("POST", page, "", "token=x").status, 401) << page;
    }
    for (const char* api : {"/console/api/status", "/console/api/stores", "/console/api/web-connector",
                            "/console/api/jobs/0123456789ab", "/console/api/"}) {
        ConsoleReply reply = ask("GET", api);
        EXPECT_EQ(reply.status, 401) << api;
        EXPECT_TRUE(nlohmann::json::parse(reply.body).contains("error")) << api;
        EXPECT_EQ(ask("POST", api).status, 401) << api;
    }
    EXPECT_EQ(statusAsked, 0) << "the service's status is not even read before sign-in";
}

TEST_F(Console, SigningInGivesAStrictCookieAndTheStatus) {
    ConsoleReply reply = trySignIn(kPassword);
    ASSERT_EQ(reply.status, 303);
    auto cookies = headers(reply, "Set-Cookie");
    ASSERT_FALSE(cookies.empty());
    for (const auto& c : cookies) {
        EXPECT_NE(c.find("HttpOnly"), std::string::npos) << c;
        EXPECT_NE(c.find("SameSite=Strict"), std::string::npos) << c;
        EXPECT_EQ(c.find("Secure"), std::string::npos) << "plain HTTP on the loopback: " << c;
    }
    std::string session = cookieSet(reply, "zentrel_console");
    ConsoleReply page = ask("GET", "/console/", session);
    EXPECT_EQ(page.status, 200);
    EXPECT_NE(page.body.find("C:\\Books\\Shop.qbw"), std::string::npos);
    EXPECT_EQ(headers(page, "Content-Security-Policy").size(), 1u);
    auto data = nlohmann::json::parse(ask("GET", "/console/api/status", session).body);
    EXPECT_EQ(data["webConnector"]["company"], "C:\\Books\\Shop.qbw");
    EXPECT_TRUE(data["programsAddress"]["reached"]);

    ConsoleRequest overTls{"GET", "/console/", "", "", "", "127.0.0.1", true};
    for (const auto& c : headers(console->answer(overTls, [this] { return seen; }), "Set-Cookie"))
        EXPECT_NE(c.find("; Secure"), std::string::npos) << "over HTTPS: " << c;
}

TEST_F(Console, AFormWithoutItsTokenIsRefused) {
    std::string session = signIn();
    ConsoleReply page = ask("GET", "/console/", session);
    std::string token = formToken(page.body);
    ASSERT_FALSE(token.empty()) << "the sign-out form carries its token";
    for (const std::string& body :
         {std::string(), std::string("token="), "token=" + std::string(32, '0'), "token=" + token.substr(1)})
        EXPECT_EQ(ask("POST", "/console/sign-out", session, body).status, 403) << body;
    EXPECT_EQ(ask("GET", "/console/api/status", session).status, 200) << "a refused form signs nobody out";

    // The sign-in form: its token is the cookie it came with, which another site cannot read.
    EXPECT_EQ(ask("POST", "/console/sign-in", "", std::string("password=") + kPassword).status, 403);
    ConsoleReply other = ask("GET", "/console/sign-in");
    EXPECT_EQ(ask("POST", "/console/sign-in", "zentrel_console_signin=" + std::string(32, 'a'),
                  "token=" + formToken(other.body) + "&password=" + kPassword)
                  .status,
              403);

    ConsoleReply out = ask("POST", "/console/sign-out", session, "token=" + token);
    EXPECT_EQ(out.status, 303);
    EXPECT_NE(headers(out, "Set-Cookie").at(0).find("Max-Age=0"), std::string::npos);
    EXPECT_EQ(ask("GET", "/console/api/status", session).status, 401) << "the old cookie is worth nothing";
}

TEST_F(Console, TenWrongPasswordsAreThrottled) {
    std::vector<int> statuses;
    for (int i = 0; i < 10; ++i) statuses.push_back(trySignIn("guess " + std::to_string(i)).status);
    EXPECT_EQ(statuses.front(), 401);
    for (int i = 1; i < 10; ++i) EXPECT_EQ(statuses[i], 429) << "try " << i << " comes within the pause";
    ConsoleReply right = trySignIn(kPassword);
    EXPECT_EQ(right.status, 429) << "not even the right password is checked while paused";
    EXPECT_FALSE(headers(right, "Retry-After").empty());
    EXPECT_EQ(trySignIn(kPassword, "127.0.0.2").status, 303) << "another computer is not held up";

    now += 2s;
    EXPECT_EQ(trySignIn("guess again").status, 401);
    now += 1s;
    EXPECT_EQ(trySignIn(kPassword).status, 429) << "the pause grows with each wrong password";
    now += 10s;
    EXPECT_EQ(trySignIn(kPassword).status, 303);
}

TEST_F(Console, ASessionEndsWhenIdleOrWhenThePasswordChanges) {
    std::string session = signIn();
    now += 29min;
    EXPECT_EQ(ask("GET", "/console/api/status", session).status, 200);
    now += 29min;
    EXPECT_EQ(ask("GET", "/console/api/status", session).status, 200)
        << "each use starts the idle time afresh";
    now += 31min;
    EXPECT_EQ(ask("GET", "/console/api/status", session).status, 401);

    session = signIn();
    writeConsolePasswordHash(passwordFile(), hashPassword("a new one", 1000));
    EXPECT_EQ(ask("GET", "/console/api/status", session).status, 401);
    EXPECT_EQ(trySignIn(kPassword).status, 401);

    std::filesystem::remove(passwordFile());
    ConsoleReply none = trySignIn(kPassword);
    EXPECT_EQ(none.status, 403);
    EXPECT_NE(none.body.find("ztl qbwc set-console-password"), std::string::npos);
}

TEST_F(Console, TextFromQuickBooksOrASettingIsShownAsText) {
    seen.company = kHostile;
    seen.lastEvent = "QuickBooks said <img src=x onerror=alert(1)>";
    seen.lastEventAt = std::chrono::system_clock::now();
    programs = "qbwc:<b>elsewhere</b>:1";
    std::string session = signIn();
    ConsoleReply page = ask("GET", "/console/", session);
    ASSERT_EQ(page.status, 200);
    EXPECT_EQ(page.body.find("<script>"), std::string::npos);
    EXPECT_EQ(page.body.find("<img"), std::string::npos);
    EXPECT_EQ(page.body.find("<b>elsewhere"), std::string::npos);
    EXPECT_NE(
        page.body.find("Shop &quot;One&quot; &lt;script&gt;alert(&apos;x&apos;)&lt;/script&gt; &amp; Co"),
        std::string::npos);
    auto data = nlohmann::json::parse(ask("GET", "/console/api/status", session).body);
    EXPECT_EQ(data["webConnector"]["company"], kHostile) << "the data keeps the text as it is";
    EXPECT_FALSE(data["programsAddress"]["reached"]);

    seen.company = "Caf\xE9 in Windows-1252";
    ConsoleReply single = ask("GET", "/console/api/status", session);
    ASSERT_EQ(single.status, 200) << single.body;
    EXPECT_EQ(nlohmann::json::parse(single.body)["webConnector"]["company"], "Caf\uFFFD in Windows-1252");
}

TEST_F(Console, PathsThatStepOutAreRefused) {
    std::string session = signIn();
    for (const char* target :
         {"/console/../etc/passwd", "/console/%2e%2e/etc/passwd", "/console/%2E%2E/", "/console/.%2e/x",
          "/console/%252e%252e/x", "/console/%25252e%25252e/x", "/console/stores/a%2fb",
          "/console/stores/a%2F..", "/console/stores/..%5c..%5cx", "/console/stores/a\\b",
          "/console/api/%2e%2e%2fstatus", "/console/stores/x%00", "/console/stores/%zz",
          "/console/api/../api/status"}) {
        for (const std::string& cookie : {std::string(), session}) {
            ConsoleReply reply = ask("GET", target, cookie);
            EXPECT_EQ(reply.status, 400) << target;
            EXPECT_EQ(reply.body.find("Shop.qbw"), std::string::npos) << target;
        }
    }
    EXPECT_EQ(ask("GET", "/console/api/status?next=../x", session).status, 200) << "the query is no path";
}

TEST(ConsoleStatus, TheSilenceIsWarnedOfAsItGrows) {
    auto now = std::chrono::system_clock::now();
    ServiceStatus s;
    s.startedAt = now - 100h;
    s.everHeard = true;
    const ProgramsAddress here{"qbwc:localhost:8080", "qbwc:127.0.0.1:8080"};
    const std::pair<std::chrono::hours, int> cases[] = {{11h, 0}, {12h, 12}, {23h, 12}, {25h, 24}, {49h, 48}};
    for (auto [silent, warned] : cases) {
        s.lastHeard = now - silent;
        auto model = statusModel(s, here, now);
        if (warned == 0)
            EXPECT_TRUE(model["silenceWarning"].is_null()) << silent.count();
        else
            EXPECT_EQ(model["silenceWarning"]["hours"], warned) << silent.count();
        EXPECT_TRUE(model["programsAddress"]["reached"]) << "localhost and 127.0.0.1 are one loopback";
    }
    s.everHeard = false;
    s.startedAt = now - 13h;
    auto never = statusModel(s, {"qbwc:127.0.0.1:9090", "qbwc:127.0.0.1:8080"}, now);
    EXPECT_NE(never["silenceWarning"]["text"].get<std::string>().find("since the service started"),
              std::string::npos);
    EXPECT_FALSE(never["programsAddress"]["reached"]);
    EXPECT_NE(never["programsAddress"]["advice"].get<std::string>().find(
                  "ztl qbwc set QuickBooks qbwc:127.0.0.1:8080"),
              std::string::npos);
}

// Through the bridge's own HTTP server: the console under /console/, the Web Connector's
// AppSupport check, bodies refused before they are read.
TEST(ConsoleOverHttp, TheServerRoutesTheConsoleAndRefusesLargeBodiesUnread) {
    test::TempFolder dir("console_http");
    writeConsolePasswordHash(dir / "console-password", hashPassword(kPassword, 1000));
    auto console = std::make_shared<BookkeeperConsole>(
        ConsoleSetup{dir / "console-password", [] { return std::string(); }, "qbwc:127.0.0.1:0", 30min, {}});
    std::atomic<int> calls{0};
    BridgeConfig config = test::testBridgeConfig(test::shortTimings());
    config.http.console = [&](const ConsoleRequest& request, WebConnectorService& service) {
        ++calls;
        return console->answer(request, [&service] { return service.status(); });
    };
    WebConnectorFactory factory(config);
    ASSERT_EQ(factory.startError(), "");
    httplib::Client browser("127.0.0.1", factory.port());

    auto page = browser.Get("/console/");
    ASSERT_TRUE(page);
    EXPECT_EQ(page->status, 200) << "the .qwc file's AppSupport answers";
    EXPECT_NE(page->body.find("Sign in"), std::string::npos);
    EXPECT_NE(page->get_header_value("Set-Cookie").find("HttpOnly"), std::string::npos);
    auto other = browser.Get("/qbwc");
    ASSERT_TRUE(other);
    EXPECT_EQ(other->body.find("Sign in"), std::string::npos) << "other paths stay the Web Connector's";

    int before = calls;
    for (std::size_t size : {std::size_t(100 * 1024), std::size_t(10 * 1024 * 1024)}) {
        auto big =
            browser.Post("/console/sign-in", std::string(size, 'a'), "application/x-www-form-urlencoded");
        ASSERT_TRUE(big) << size;
        EXPECT_EQ(big->status, 413) << size;
    }
    EXPECT_EQ(calls, before) << "the console never saw the oversized bodies";
    auto put = browser.Put("/console/", "x", "text/plain");
    ASSERT_TRUE(put);
    EXPECT_EQ(put->status, 405);

    test::writeSelfSignedCertificate(dir / "cert.pem", dir / "key.pem");
    config.http.certificateFile = (dir / "cert.pem").string();
    config.http.privateKeyFile = (dir / "key.pem").string();
    WebConnectorFactory overTls(config);
    ASSERT_EQ(overTls.startError(), "");
    httplib::SSLClient tlsBrowser("127.0.0.1", overTls.port());
    tlsBrowser.enable_server_certificate_verification(false);
    auto tlsPage = tlsBrowser.Get("/console/");
    ASSERT_TRUE(tlsPage);
    EXPECT_EQ(tlsPage->status, 200);
    EXPECT_NE(tlsPage->get_header_value("Set-Cookie").find("; Secure"), std::string::npos)
        << "over HTTPS the cookie never travels in plain text";
}

TEST(ConsoleCommands, ThePasswordFileIsTheOwnersAndTheQwcFileNamesTheConsole) {
    test::TempFolder dir("console_ztl");
    std::string env = "export XDG_CONFIG_HOME='" + (dir / "config").string() + "' XDG_STATE_HOME='" +
                      (dir / "state").string() + "' XDG_RUNTIME_DIR='" + (dir / "run").string() + "'; cd '" +
                      dir.path().string() + "' && ";
    auto set = ztl::testsupport::runShell(
        env + "printf 'bookkeeper pw\\n' | " ZTL_BIN " qbwc set-console-password", dir / "out", dir / "err");
    ASSERT_EQ(set.status, 0) << set.err;
    auto file = dir / "config" / "ZTL" / kConsolePasswordFileName;
    struct stat st {};
    ASSERT_EQ(::stat(file.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    std::string hash = readConsolePasswordHash(file);
    EXPECT_TRUE(verifyPassword("bookkeeper pw", hash));
    EXPECT_FALSE(verifyPassword(kPassword, hash));
    auto empty = ztl::testsupport::runShell(env + "printf '\\n' | " ZTL_BIN " qbwc set-console-password",
                                            dir / "out", dir / "err");
    EXPECT_NE(empty.status, 0);
    EXPECT_EQ(readConsolePasswordHash(file), hash) << "an empty password changes nothing";

    auto qwc = ztl::testsupport::runShell(
        env + ZTL_BIN " qbwc file --url https://shop.example:8443/qbwc --user clerk --listen 127.0.0.1:8443",
        dir / "out", dir / "err");
    ASSERT_EQ(qwc.status, 0) << qwc.err;
    std::ifstream in(dir / "Zentrel.qwc");
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_NE(text.find("<AppSupport>https://shop.example:8443/console/</AppSupport>"), std::string::npos)
        << text;
    EXPECT_NE(text.find("<AppURL>https://shop.example:8443/qbwc</AppURL>"), std::string::npos);
    EXPECT_EQ(consoleAddress("http://localhost:8080"), "http://localhost:8080/console/");
    EXPECT_EQ(consoleAddress("https://[::1]:8443/a?b=/c"), "https://[::1]:8443/console/");
}

}  // namespace
}  // namespace ztl::qbwc
