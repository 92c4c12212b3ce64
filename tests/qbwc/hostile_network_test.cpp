// The bridge's HTTP side against a network that is not the Web Connector: compressed
// bombs, clients that drip or idle, a second bridge on the same port.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>
#include <zlib.h>

#include <future>
#include <thread>

#include "bridge_fixture.h"
#include "dotnet_soap_client.h"
#include "web_connector_player.h"

using namespace ztl;
using namespace ztl::qbwc;
using namespace std::chrono_literals;

namespace {

int connectTo(int port) {
    int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(static_cast<uint16_t>(port));
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

// `inflated` zero bytes, gzip-compressed: about a thousandth of that on the wire.
std::string gzipOfZeros(std::size_t inflated) {
    z_stream z{};
    deflateInit2(&z, 9, Z_DEFLATED, 15 + 16, 9, Z_DEFAULT_STRATEGY);
    std::string zeros(1 << 20, '\0'), out;
    char buffer[1 << 16];
    for (std::size_t done = 0; done < inflated; done += zeros.size()) {
        z.next_in = reinterpret_cast<Bytef*>(zeros.data());
        z.avail_in = static_cast<uInt>(zeros.size());
        int flush = done + zeros.size() >= inflated ? Z_FINISH : Z_NO_FLUSH;
        do {
            z.next_out = reinterpret_cast<Bytef*>(buffer);
            z.avail_out = sizeof buffer;
            deflate(&z, flush);
            out.append(buffer, sizeof buffer - z.avail_out);
        } while (z.avail_out == 0);
    }
    deflateEnd(&z);
    return out;
}

long peakKilobytes() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return u.ru_maxrss;
}

std::string rawExchange(int port, const std::string& request) {
    int fd = connectTo(port);
    EXPECT_GE(fd, 0);
    ::send(fd, request.data(), request.size(), MSG_NOSIGNAL);
    std::string answer;
    char buffer[4096];
    for (ssize_t n; (n = ::recv(fd, buffer, sizeof buffer, 0)) > 0;)
        answer.append(buffer, static_cast<size_t>(n));
    ::close(fd);
    return answer;
}

struct HostileNetwork : ::testing::Test {
    std::unique_ptr<WebConnectorFactory> bridge(std::chrono::milliseconds deadline = 10000ms) {
        BridgeConfig c = test::testBridgeConfig(test::shortTimings());
        c.http.requestDeadline = deadline;
        auto f = std::make_unique<WebConnectorFactory>(std::move(c));
        EXPECT_EQ(f->startError(), "");
        return f;
    }
};

}  // namespace

TEST_F(HostileNetwork, ACompressedBodyIsRefusedWithoutBeingInflated) {
    auto f = bridge();
    // 1 MB on the wire, a gigabyte inflated.
    std::string bomb = gzipOfZeros(std::size_t(1) << 30);
    ASSERT_GT(bomb.size(), 900u * 1024);
    ASSERT_LT(bomb.size(), 1200u * 1024);
    test::DotNetSoapClient client("127.0.0.1", f->port());
    for (const char* encoding : {"gzip", "deflate", "br"}) {
        std::string answer = rawExchange(
            f->port(), "POST /qbwc HTTP/1.1\r\nHost: x\r\nContent-Type: text/xml\r\nContent-Encoding: " +
                           std::string(encoding) + "\r\nContent-Length: " + std::to_string(bomb.size()) +
                           "\r\nSOAPAction: \"http://developer.intuit.com/serverVersion\"\r\n\r\n" + bomb);
        EXPECT_TRUE(answer.starts_with("HTTP/1.1 415")) << encoding << ": " << answer.substr(0, 80);
    }
    EXPECT_LT(peakKilobytes(), 128 * 1024) << "peak memory of the serving process, kB";
    RecordProperty("peak_kB", std::to_string(peakKilobytes()));
    // The bridge serves on.
    test::WebConnectorPlayer::Options o;
    o.port = f->port();
    EXPECT_EQ(test::WebConnectorPlayer(o, nullptr).call("serverVersion", {}).result(), "Zentrel 1.0");
}

TEST_F(HostileNetwork, SlowAndIdleConnectionsNeitherDelayARealCallNorStay) {
    auto f = bridge(1500ms);
    // Eight that drip their headers a byte at a time, eight that say nothing at all.
    std::vector<int> drips, idle;
    for (int i = 0; i < 8; ++i) drips.push_back(connectTo(f->port()));
    for (int i = 0; i < 8; ++i) idle.push_back(connectTo(f->port()));
    std::atomic<bool> dripping{true};
    std::thread dripper([&] {
        const std::string head = "POST /qbwc HTTP/1.1\r\nHost: x\r\nContent-Length: 10\r\n";
        for (std::size_t i = 0; dripping && i < head.size(); ++i) {
            for (int fd : drips) ::send(fd, &head[i], 1, MSG_NOSIGNAL);
            std::this_thread::sleep_for(100ms);
        }
    });
    auto start = std::chrono::steady_clock::now();
    test::DotNetSoapClient client("127.0.0.1", f->port());
    test::HttpAnswer a = client.post("/qbwc", "http://developer.intuit.com/serverVersion",
                                     test::soapEnvelope("serverVersion", {}));
    EXPECT_EQ(a.status, 200) << a.failure;
    EXPECT_LT(std::chrono::steady_clock::now() - start, 5s);

    // Past the request deadline every one of them has been dropped.
    std::this_thread::sleep_for(2000ms);
    dripping = false;
    dripper.join();
    for (int fd : drips) {
        pollfd p{fd, POLLIN, 0};
        ASSERT_EQ(::poll(&p, 1, 1000), 1);
        char c;
        EXPECT_LE(::recv(fd, &c, 1, 0), 0) << "a slow sender is dropped";
        ::close(fd);
    }
    for (int fd : idle) {
        pollfd p{fd, POLLIN, 0};
        ASSERT_EQ(::poll(&p, 1, 1000), 1);
        char c;
        EXPECT_LE(::recv(fd, &c, 1, 0), 0) << "an idle connection is dropped";
        ::close(fd);
    }
}

TEST_F(HostileNetwork, ASecondBridgeOnTheSamePortIsRefusedAtItsStart) {
    auto first = bridge();
    BridgeConfig c = test::testBridgeConfig(test::shortTimings());
    c.http.listen.port = first->port();
    WebConnectorFactory second(std::move(c));
    EXPECT_NE(second.startError().find("already served"), std::string::npos) << second.startError();
    EXPECT_NE(second.startError().find("one bridge per port"), std::string::npos);
    EXPECT_EQ(second.port(), 0);
    // The first serves on, alone.
    test::WebConnectorPlayer::Options o;
    o.port = first->port();
    EXPECT_EQ(test::WebConnectorPlayer(o, nullptr).call("serverVersion", {}).result(), "Zentrel 1.0");
}

TEST_F(HostileNetwork, ExpectContinueIsAnsweredAtOnceAndEveryAnswerClosesTheConnection) {
    auto f = bridge();
    int fd = connectTo(f->port());
    std::string body = test::soapEnvelope("serverVersion", {});
    std::string head =
        "POST /qbwc HTTP/1.1\r\nHost: x\r\nContent-Type: text/xml\r\nExpect: 100-continue\r\n"
        "Connection: Keep-Alive\r\nContent-Length: " +
        std::to_string(body.size()) + "\r\n\r\n";
    ::send(fd, head.data(), head.size(), MSG_NOSIGNAL);
    pollfd p{fd, POLLIN, 0};
    ASSERT_EQ(::poll(&p, 1, 300), 1) << "100 Continue within 300 ms";
    char buffer[4096];
    ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
    EXPECT_TRUE(std::string(buffer, static_cast<size_t>(std::max<ssize_t>(n, 0)))
                    .starts_with("HTTP/1.1 100 Continue"));
    ::send(fd, body.data(), body.size(), MSG_NOSIGNAL);
    std::string answer;
    while ((n = ::recv(fd, buffer, sizeof buffer, 0)) > 0) answer.append(buffer, static_cast<size_t>(n));
    ::close(fd);
    EXPECT_TRUE(answer.starts_with("HTTP/1.1 200")) << answer;
    EXPECT_NE(answer.find("Connection: close"), std::string::npos) << answer;
}
