// The console's Web Connector page as the bookkeeper uses it on the Windows PC: the .qwc
// file it hands out is the one ztl qbwc file writes, a setting holding markup shows as text,
// the failure table is in its data, and a failure the Web Connector shows names the console.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <fstream>
#include <regex>
#include <set>

#include "bridge_fixture.h"
#include "qbwc/bridge_settings.h"
#include "qbwc/console/bookkeeper_console.h"
#include "qbwc/console/connector_page.h"
#include "qbwc/console/console_password_file.h"
#include "qbwc/password_hash.h"
#include "qbwc/web_connector_factory.h"
#include "tests/support/shell_command.h"

namespace ztl::qbwc {
namespace {

using namespace std::chrono_literals;
using test::kPassword;

class ConnectorPageTest : public ::testing::Test {
  protected:
    test::TempFolder dir{"console_connector"};
    MemorySettingsStore settings;
    std::unique_ptr<BookkeeperConsole> console;
    std::string session;

    void SetUp() override {
        writeConsolePasswordHash(dir / "console-password", hashPassword(kPassword, 1000));
        ConsoleSetup setup{dir / "console-password", [] { return std::string(); }, "qbwc:127.0.0.1:8080", 30min,
                           {}};
        auto page = std::make_shared<ConnectorPage>(
            [this](std::string& missing) { return storedQwcFields(settings, missing); });
        setup.routes.push_back([page](const ConsoleVisit& visit) { return page->answer(visit); });
        console = std::make_unique<BookkeeperConsole>(setup);
        session = signIn();
    }

    void setBridge(const char* k, const std::string& value) { settings.set(kSettingsApp, kBridgeSection, k, value); }

    ConsoleReply ask(const std::string& method, const std::string& target, const std::string& cookie,
                     const std::string& body = "") {
        ConsoleRequest request{method, target, cookie, "application/x-www-form-urlencoded", body, "127.0.0.1",
                               false};
        return console->answer(request, [] { return ServiceStatus{}; });
    }
    ConsoleReply get(const std::string& target) { return ask("GET", target, session); }

    std::string signIn() {
        ConsoleReply page = ask("GET", "/console/", "");
        std::string cookie;
        for (const auto& [name, value] : page.headers)
            if (name == "Set-Cookie" && value.starts_with("zentrel_console_signin="))
                cookie = value.substr(0, value.find(';'));
        std::smatch token;
        EXPECT_TRUE(std::regex_search(page.body, token, std::regex("name=\"token\" value=\"([0-9a-f]+)\"")));
        ConsoleReply in = ask("POST", "/console/sign-in", cookie,
                              "token=" + token[1].str() + "&password=s3cret+pass");
        EXPECT_EQ(in.status, 303) << in.body;
        for (const auto& [name, value] : in.headers)
            if (name == "Set-Cookie" && value.starts_with("zentrel_console="))
                return value.substr(0, value.find(';'));
        return {};
    }

    static std::string header(const ConsoleReply& reply, const std::string& name) {
        for (const auto& [n, v] : reply.headers)
            if (n == name) return v;
        return {};
    }
};

std::string fileText(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::string element(const std::string& text, const std::string& name) {
    std::smatch m;
    return std::regex_search(text, m, std::regex("<" + name + ">([^<]*)</" + name + ">")) ? m[1].str() : "";
}

// What ztl qbwc file wrote, and what the console hands out from the same settings: byte for
// byte, both kinds of file, so that adding either on the PC is adding the same application.
TEST_F(ConnectorPageTest, TheDownloadIsTheFileZtlQbwcFileWrites) {
    std::string env = "export XDG_CONFIG_HOME='" + (dir / "config").string() + "' XDG_STATE_HOME='" +
                      (dir / "state").string() + "' XDG_RUNTIME_DIR='" + (dir / "run").string() + "'; cd '" +
                      dir.path().string() + "' && ";
    const std::string url = "https://shop.example:8443/qbwc";
    for (bool unattended : {false, true}) {
        auto wrote = ztl::testsupport::runShell(env + ZTL_BIN " qbwc file --url " + url +
                                                    " --user 'clerk & co' --listen 127.0.0.1:8443" +
                                                    (unattended ? " --unattended" : ""),
                                                dir / "out", dir / "err");
        ASSERT_EQ(wrote.status, 0) << wrote.err;
        std::string written = fileText(dir / "Zentrel.qwc");
        setBridge(key::kAppUrl, url);
        setBridge(key::kUserName, "clerk & co");
        setBridge(key::kOwnerId, element(written, "OwnerID"));
        setBridge(key::kFileId, element(written, "FileID"));

        ConsoleReply file = get(std::string("/console/web-connector/zentrel.qwc") + (unattended ? "?unattended=1" : ""));
        ASSERT_EQ(file.status, 200) << file.body;
        EXPECT_EQ(file.body, written) << (unattended ? "after hours" : "attended");
        EXPECT_EQ(header(file, "Content-Disposition"), "attachment; filename=\"Zentrel.qwc\"");
    }
}

TEST_F(ConnectorPageTest, WithoutTheSettingsThePageNamesTheCommandThatSetsThem) {
    setBridge(key::kUserName, "clerk");
    ConsoleReply page = get("/console/web-connector");
    ASSERT_EQ(page.status, 200);
    EXPECT_NE(page.body.find("AppURL, OwnerID, FileID"), std::string::npos) << page.body;
    EXPECT_NE(page.body.find("ztl qbwc file --url URL --user NAME"), std::string::npos);
    EXPECT_EQ(page.body.find("zentrel.qwc\""), std::string::npos) << "no link to a file that cannot be made";

    ConsoleReply file = get("/console/web-connector/zentrel.qwc");
    EXPECT_EQ(file.status, 404);
    EXPECT_NE(file.body.find("ztl qbwc file"), std::string::npos);
    EXPECT_TRUE(header(file, "Content-Disposition").empty());
    EXPECT_TRUE(settings.get(kSettingsApp, kBridgeSection, key::kOwnerId).empty())
        << "the console never makes the identifiers the Web Connector keeps";

    auto data = nlohmann::json::parse(get("/console/api/web-connector").body);
    EXPECT_FALSE(data["qwc"]["available"]);
    EXPECT_NE(data["qwc"]["missing"].get<std::string>().find("ztl qbwc file"), std::string::npos);
}

TEST_F(ConnectorPageTest, ASettingHoldingMarkupIsShownAsTextAndTheFileStaysXml) {
    const std::string hostile = "clerk \"<script>alert('x')</script>\"";
    setBridge(key::kAppUrl, "https://shop.example/qbwc?a=\"<b>x</b>");
    setBridge(key::kUserName, hostile);
    setBridge(key::kOwnerId, "{11111111-2222-3333-4444-555555555555}");
    setBridge(key::kFileId, "{66666666-7777-8888-9999-000000000000}");
    ConsoleReply page = get("/console/web-connector");
    ASSERT_EQ(page.status, 200);
    EXPECT_EQ(page.body.find("<script>"), std::string::npos);
    EXPECT_EQ(page.body.find("<b>x"), std::string::npos);
    EXPECT_NE(page.body.find("clerk &quot;&lt;script&gt;alert(&apos;x&apos;)&lt;/script&gt;&quot;"),
              std::string::npos);
    EXPECT_EQ(nlohmann::json::parse(get("/console/api/web-connector").body)["qwc"]["userName"], hostile);

    std::string file = get("/console/web-connector/zentrel.qwc").body;
    EXPECT_EQ(file.find("<script>"), std::string::npos);
    EXPECT_NE(file.find("<UserName>clerk &quot;&lt;script&gt;"), std::string::npos) << file;
}

TEST_F(ConnectorPageTest, TheFailureTableIsInThePageAndItsData) {
    auto data = nlohmann::json::parse(get("/console/api/web-connector").body);
    std::set<std::string> codes;
    for (const auto& row : data["failures"]) {
        codes.insert(row["code"].get<std::string>());
        for (const char* field : {"said", "cause", "step"})
            EXPECT_FALSE(row[field].get<std::string>().empty()) << row["code"] << " " << field;
    }
    for (const char* code : {"0x80040408", "0x8004040A", "0x8004041A", "0x80040420", "0x80040422", "QBWC1012",
                             "QBWC1039", "QBWC1013", "no call at all"})
        EXPECT_TRUE(codes.contains(code)) << code;
    ConsoleReply page = get("/console/web-connector");
    EXPECT_NE(page.body.find("<th scope=\"row\">QBWC1039</th>"), std::string::npos);
    EXPECT_NE(page.body.find("Yes, always allow access even if QuickBooks is not running"), std::string::npos);
    EXPECT_NE(page.body.find("ztl qbwc set-password"), std::string::npos) << "the Web Connector's password";
}

// The service the daemon serves with a console: what the Web Connector shows of a refused
// password names the console on the .qwc file's host; a clean end stays "OK".
TEST(ConsoleNamedToTheWebConnector, ARefusalNamesTheConsoleOnTheAppUrlsHost) {
    BridgeConfig config = test::testBridgeConfig(test::shortTimings());
    config.appUrl = "https://shop.example:8443/qbwc";
    config.http.console = [](const ConsoleRequest&, WebConnectorService&) { return ConsoleReply{}; };
    WebConnectorFactory factory(config);
    ASSERT_EQ(factory.startError(), "");
    WebConnectorService& service = *factory.service();
    auto refused = service.authenticate(test::kUser, "wrong", "192.0.2.7");
    ASSERT_EQ(refused.strings.at(1), "nvu");
    EXPECT_EQ(service.getLastError(refused.strings[0]),
              "The user name or password is not the one Zentrel expects; the console at "
              "https://shop.example:8443/console/ shows what happened.");
    EXPECT_EQ(service.closeConnection(refused.strings[0]),
              "Nothing was posted; the console at https://shop.example:8443/console/ shows what happened.");
    factory.reload({test::kUser, test::testPasswordHash(), "", "", 3s, "https://other.example/qbwc"});
    auto idle = service.authenticate(test::kUser, test::kPassword, "192.0.2.8");
    ASSERT_EQ(idle.strings.at(1), "none");
    EXPECT_EQ(service.getLastError(idle.strings[0]), "Zentrel has nothing to post now.");
    EXPECT_EQ(service.closeConnection(idle.strings[0]), "OK");
    auto again = service.authenticate(test::kUser, "wrong again", "192.0.2.9");
    EXPECT_NE(service.getLastError(again.strings.at(0)).find("https://other.example/console/"), std::string::npos)
        << "a new URL moves the console with it";
}

}  // namespace
}  // namespace ztl::qbwc
