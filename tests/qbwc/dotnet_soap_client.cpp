#include "dotnet_soap_client.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <strings.h>
#include <cstring>

namespace ztl::qbwc::test {

namespace {

constexpr std::chrono::milliseconds kIdleLimit{100000};    // MaxServicePointIdleTime
constexpr std::chrono::milliseconds kCallTimeout{100000};  // WebClientProtocol.Timeout
constexpr std::chrono::milliseconds kContinueWait{350};

bool sendAll(int fd, const std::string& data) {
    std::size_t done = 0;
    while (done < data.size()) {
        ssize_t n = ::send(fd, data.data() + done, data.size() - done, MSG_NOSIGNAL);
        if (n <= 0) return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

std::string headerValue(const std::string& head, const char* name) {
    std::size_t at = 0;
    const std::size_t len = std::strlen(name);
    while ((at = head.find("\r\n", at)) != std::string::npos) {
        at += 2;
        if (head.size() > at + len && strncasecmp(head.c_str() + at, name, len) == 0 &&
            head[at + len] == ':') {
            std::size_t end = head.find("\r\n", at);
            std::string v = head.substr(at + len + 1, end - at - len - 1);
            while (!v.empty() && v.front() == ' ') v.erase(0, 1);
            return v;
        }
    }
    return {};
}

}  // namespace

DotNetSoapClient::DotNetSoapClient(std::string host, int port) : host_(std::move(host)), port_(port) {}

DotNetSoapClient::~DotNetSoapClient() {
    drop();
}

void DotNetSoapClient::drop() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
    pending_.clear();
}

bool DotNetSoapClient::connect(std::string& failure) {
    fd_ = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(static_cast<uint16_t>(port_));
    ::inet_pton(AF_INET, host_.c_str(), &a.sin_addr);
    if (::connect(fd_, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) {
        failure = "Unable to connect to the remote server";
        drop();
        return false;
    }
    int one = 1;
    ::setsockopt(fd_, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    ++opened_;
    return true;
}

// Reads one final answer; a "100 Continue" before it is noted and skipped. With
// `continueWait` set, returns true with status 0 when nothing came within it.
bool DotNetSoapClient::readResponse(HttpAnswer& answer, bool& sawContinue,
                                    std::chrono::milliseconds continueWait) {
    auto deadline = std::chrono::steady_clock::now() + (continueWait.count() ? continueWait : kCallTimeout);
    for (;;) {
        std::size_t end = pending_.find("\r\n\r\n");
        if (end != std::string::npos) {
            std::string head = pending_.substr(0, end + 2);
            int status = std::atoi(head.c_str() + 9);
            if (status == 100) {
                sawContinue = true;
                pending_.erase(0, end + 4);
                if (continueWait.count()) return true;
                continue;
            }
            std::string length = headerValue(head, "Content-Length");
            std::size_t need = end + 4 + static_cast<std::size_t>(std::atol(length.c_str()));
            if (!length.empty() && pending_.size() >= need) {
                answer.status = status;
                answer.body = pending_.substr(end + 4, need - end - 4);
                answer.connectionClose = strcasecmp(headerValue(head, "Connection").c_str(), "close") == 0;
                pending_.erase(0, need);
                return true;
            }
        }
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline -
                                                                          std::chrono::steady_clock::now());
        if (left.count() <= 0) {
            if (continueWait.count()) return true;
            answer.failure = "The operation has timed out";
            return false;
        }
        pollfd p{fd_, POLLIN, 0};
        if (::poll(&p, 1, static_cast<int>(left.count())) <= 0) continue;
        char buffer[16384];
        ssize_t n = ::recv(fd_, buffer, sizeof buffer, 0);
        if (n <= 0) {
            answer.failure =
                "The underlying connection was closed: A connection that was expected to be kept alive "
                "was closed by the server.";
            return false;
        }
        pending_.append(buffer, static_cast<std::size_t>(n));
    }
}

HttpAnswer DotNetSoapClient::post(const std::string& path, const std::string& soapAction,
                                  const std::string& body) {
    HttpAnswer answer;
    auto now = std::chrono::steady_clock::now();
    if (fd_ >= 0 && now - idleSince_ > kIdleLimit) drop();
    bool reused = fd_ >= 0;
    if (!reused && !connect(answer.failure)) return answer;
    std::string head =
        "POST " + path +
        " HTTP/1.1\r\nUser-Agent: Mozilla/4.0 (compatible; MSIE 6.0; MS Web Services "
        "Client Protocol 2.0.50727.8964)\r\nContent-Type: text/xml; charset=utf-8\r\nSOAPAction: \"" +
        soapAction + "\"\r\nHost: " + host_ + ":" + std::to_string(port_) +
        "\r\nContent-Length: " + std::to_string(body.size()) +
        "\r\nExpect: 100-continue\r\nConnection: Keep-Alive\r\n\r\n";
    bool sawContinue = false;
    bool ok = sendAll(fd_, head) && readResponse(answer, sawContinue, kContinueWait);
    if (ok && answer.status == 0) {
        if (!sawContinue) ++lateContinues_;
        ok = sendAll(fd_, body) && readResponse(answer, sawContinue, std::chrono::milliseconds(0));
    }
    if (!ok) {
        if (reused) ++keptAliveFailures_;
        if (answer.failure.empty())
            answer.failure = "The underlying connection was closed: An unexpected error occurred on a send.";
        answer.status = 0;
        drop();
        return answer;
    }
    if (answer.connectionClose) drop();
    idleSince_ = std::chrono::steady_clock::now();
    return answer;
}

}  // namespace ztl::qbwc::test
