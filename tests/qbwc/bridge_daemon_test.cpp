// The daemon ztl qbwc runs, without the binary: what it tells the operator, and how each way
// it cannot serve or is not called comes back as the words ztl prints.
#include "qbwc/bridge_daemon.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "bridge_fixture.h"
#include "tests/support/scoped_env.h"

using namespace ztl::qbwc;
using ztl::qbwc::test::TempFolder;
using namespace std::chrono_literals;

namespace {

std::string failureOf(const std::function<void()>& serve) {
    try {
        serve();
    } catch (const DaemonFailure& e) {
        return e.what();
    }
    return "no failure";
}

}  // namespace

TEST(BridgeDaemon, EachWayItCannotServeOrIsNotCalledComesBackInTheOperatorsWords) {
    TempFolder dir;
    ztl::test::ScopedEnv state("XDG_STATE_HOME", (dir / "state").string());
    BridgeSettings settings{test::kUser, test::testPasswordHash(), "", "", 1s, ""};
    std::ostringstream out;
    std::vector<std::string> echoed;
    auto setupFor = [&](const std::string& listen) {
        return DaemonSetup{listen, [&] { return settings; }, [&](const std::string& n) { echoed.push_back(n); }, out};
    };

    BridgeSettings nobody;
    DaemonSetup unset{"127.0.0.1:0", [&] { return nobody; }, {}, out};
    EXPECT_EQ(failureOf([&] { serveUntilConnected(unset, std::nullopt); }),
              "The Web Connector's user name and password are not set (ztl qbwc file, ztl qbwc set-password).");
    EXPECT_EQ(failureOf([&] { serveUntilStopped(unset); }),
              "The Web Connector's user name and password are not set (ztl qbwc file, ztl qbwc set-password).");

    // A port already served is refused at the start, before anything is said on `out`.
    WebConnectorFactory other(test::testBridgeConfig(test::shortTimings()));
    ASSERT_EQ(other.startError(), "");
    std::string taken = "127.0.0.1:" + std::to_string(other.port());
    EXPECT_TRUE(failureOf([&] { serveUntilConnected(setupFor(taken), std::nullopt); })
                    .starts_with("The Web Connector service cannot start: "));
    EXPECT_EQ(out.str(), "");

    // Nobody calls: the wait given replaces the setting's, and ends in the program's error.
    settings.timeout = 60s;
    std::string notCalled = failureOf([&] { serveUntilConnected(setupFor("127.0.0.1:0"), 1s); });
    EXPECT_EQ(out.str(), "waiting up to 1 s for the Web Connector (Update Selected, or its schedule)\n");
    EXPECT_TRUE(notCalled.starts_with("error # -2147220472: Could not start QuickBooks. The Web Connector has not "
                                      "called since "))
        << notCalled;
    ASSERT_FALSE(echoed.empty());
    EXPECT_TRUE(echoed.front().starts_with("serving the Web Connector at http://127.0.0.1:")) << echoed.front();
    EXPECT_EQ(echoed.back(), "the Web Connector did not call in time");
    std::ifstream log(dir / "state" / "zentrel" / "qbwc.log");
    std::string all((std::istreambuf_iterator<char>(log)), std::istreambuf_iterator<char>());
    EXPECT_NE(all.find("] the Web Connector did not call in time\n"), std::string::npos)
        << "what is echoed goes to the bridge's log too:\n" << all;
}
