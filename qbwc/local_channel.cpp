#include "qbwc/local_channel.h"

#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <cstring>

namespace ztl::qbwc {

namespace {

bool writeAll(int fd, const char* data, std::size_t size) {
    while (size > 0) {
        ssize_t n = ::send(fd, data, size, MSG_NOSIGNAL);
        if (n <= 0) return false;
        data += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

bool readAll(int fd, char* data, std::size_t size) {
    while (size > 0) {
        ssize_t n = ::recv(fd, data, size, 0);
        if (n <= 0) return false;
        data += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

}  // namespace

bool sendFrame(int fd, char type, const std::string& payload) {
    if (payload.size() > kMaxFrameBytes) return false;
    std::uint32_t n = static_cast<std::uint32_t>(payload.size());
    char head[5] = {type, static_cast<char>(n >> 24), static_cast<char>(n >> 16), static_cast<char>(n >> 8),
                    static_cast<char>(n)};
    return writeAll(fd, head, sizeof head) && writeAll(fd, payload.data(), payload.size());
}

std::optional<Frame> readFrame(int fd) {
    unsigned char head[5];
    if (!readAll(fd, reinterpret_cast<char*>(head), sizeof head)) return std::nullopt;
    std::uint32_t n = (std::uint32_t(head[1]) << 24) | (std::uint32_t(head[2]) << 16) |
                      (std::uint32_t(head[3]) << 8) | head[4];
    if (n > kMaxFrameBytes) return std::nullopt;
    Frame f;
    f.type = static_cast<char>(head[0]);
    f.payload.resize(n);
    if (!readAll(fd, f.payload.data(), n)) return std::nullopt;
    return f;
}

bool readable(int fd, std::chrono::milliseconds wait) {
    pollfd p{fd, POLLIN, 0};
    return ::poll(&p, 1, static_cast<int>(wait.count())) > 0;
}

std::filesystem::path serviceSocketPath(const ListenAddress& listen) {
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (!runtime || !*runtime) return {};
    std::string name;
    const std::string& host = listen.host;
    if (host == "localhost" || host == "127.0.0.1" || host == "::1")
        name = "localhost";
    else
        for (char c : host) name += std::isalnum(static_cast<unsigned char>(c)) || c == '.' ? c : '_';
    return std::filesystem::path(runtime) / "zentrel-qbwc" /
           (name + "-" + std::to_string(listen.port) + ".sock");
}

int connectLocal(const std::filesystem::path& path) {
    sockaddr_un a{};
    a.sun_family = AF_UNIX;
    if (path.empty() || path.native().size() >= sizeof a.sun_path) return -1;
    std::strcpy(a.sun_path, path.c_str());
    int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return -1;
    if (::connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

}  // namespace ztl::qbwc

namespace ztl::qbwc {

std::vector<std::filesystem::path> runningServiceSockets() {
    std::vector<std::filesystem::path> found;
    std::filesystem::path folder = serviceSocketPath({"localhost", 0}).parent_path();
    std::error_code ec;
    if (folder.empty() || !std::filesystem::is_directory(folder, ec)) return found;
    for (const auto& entry : std::filesystem::directory_iterator(folder, ec)) {
        if (entry.path().extension() != ".sock") continue;
        int fd = connectLocal(entry.path());
        if (fd < 0) continue;
        ::close(fd);
        found.push_back(entry.path());
    }
    std::sort(found.begin(), found.end());
    return found;
}

std::optional<std::string> askService(const std::filesystem::path& path, char type, char expected,
                                      std::string* failure) {
    int fd = connectLocal(path);
    if (fd < 0) return std::nullopt;
    std::optional<std::string> answer;
    if (sendFrame(fd, type)) {
        // A service answers these at once; one that does not within seconds is not taken as one.
        while (readable(fd, std::chrono::seconds(5))) {
            std::optional<Frame> f = readFrame(fd);
            if (!f) break;
            if (f->type == 'w') continue;
            if (f->type == expected) answer = f->payload;
            else if (f->type == 'e' && failure) {
                std::size_t nl = f->payload.find('\n');
                *failure = nl == std::string::npos ? f->payload : f->payload.substr(nl + 1);
                answer = std::string();
            }
            break;
        }
    }
    ::close(fd);
    return answer;
}

}  // namespace ztl::qbwc
