#include "qbwc/bridge_log.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <ctime>

#include "platform/paths.h"

namespace ztl::qbwc {

BridgeLog::BridgeLog(std::filesystem::path file, std::uintmax_t maxBytes)
    : file_(std::move(file)), maxBytes_(maxBytes) {}

void BridgeLog::write(const std::string& text) {
    std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char stamp[32];
    std::strftime(stamp, sizeof stamp, "%Y-%m-%d %H:%M:%S", &local);
    // What a client sent (a user name) must not start a line of its own.
    std::string clean = text;
    for (char& c : clean)
        if (static_cast<unsigned char>(c) < 0x20 && c != '\t') c = '?';
    std::string line = std::string(stamp) + " [" + std::to_string(::getpid()) + "] " + clean + "\n";
    std::lock_guard lock(mutex_);
    // Several processes may write it; a rename is whole, so at worst two of them rotate at
    // once and the shorter part is dropped.
    struct stat st {};
    if (::stat(file_.c_str(), &st) == 0 && static_cast<std::uintmax_t>(st.st_size) + line.size() > maxBytes_) {
        std::filesystem::path old = file_;
        old += ".1";
        ::rename(file_.c_str(), old.c_str());
    }
    int fd = ::open(file_.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0) return;
    ::fchmod(fd, 0600);
    ssize_t ignored = ::write(fd, line.data(), line.size());
    (void)ignored;
    ::close(fd);
}

std::filesystem::path bridgeLogFile() {
    return paths::stateFolder() / "qbwc.log";
}

bool keepOwnerOnly(const std::filesystem::path& file) {
    return ::chmod(file.c_str(), 0600) == 0;
}

}  // namespace ztl::qbwc
