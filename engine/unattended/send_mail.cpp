#include "engine/unattended/send_mail.h"

#include <csignal>
#include <cstring>

#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

namespace ztl {

std::optional<std::string> sendMail(const std::string& command, const std::string& message) {
    const std::string what = "the mail command \"" + command + "\"";
    int in[2], err[2];
    if (::pipe2(in, O_CLOEXEC) != 0) return what + " could not be started: " + std::strerror(errno);
    if (::pipe2(err, O_CLOEXEC) != 0) {
        ::close(in[0]);
        ::close(in[1]);
        return what + " could not be started: " + std::strerror(errno);
    }
    pid_t pid = ::fork();
    if (pid < 0) {
        for (int fd : {in[0], in[1], err[0], err[1]}) ::close(fd);
        return what + " could not be started: " + std::strerror(errno);
    }
    if (pid == 0) {
        ::dup2(in[0], 0);
        ::dup2(err[1], 2);
        // Its standard output is of no use to the run and must not mix with the run's own.
        int null = ::open("/dev/null", O_WRONLY);
        if (null >= 0) ::dup2(null, 1);
        ::execl("/bin/sh", "sh", "-c", command.c_str(), static_cast<char*>(nullptr));
        ::_exit(127);
    }
    ::close(in[0]);
    ::close(err[1]);
    // A command that ends before reading everything must not kill this process.
    struct sigaction ignore{}, old{};
    ignore.sa_handler = SIG_IGN;
    ::sigaction(SIGPIPE, &ignore, &old);

    // Write the message and read its complaints together, so that neither pipe can fill up
    // while the other waits.
    std::string errors;
    size_t written = 0;
    bool writing = true;
    bool writeFailed = false;
    int errFd = err[0];
    while (writing || errFd >= 0) {
        pollfd fds[2];
        int n = 0;
        if (writing) fds[n++] = {in[1], POLLOUT, 0};
        if (errFd >= 0) fds[n++] = {errFd, POLLIN, 0};
        if (::poll(fds, n, -1) < 0) {
            if (errno == EINTR) continue;
            break;
        }
        for (int i = 0; i < n; ++i) {
            if (fds[i].fd == in[1] && fds[i].revents) {
                ssize_t w = ::write(in[1], message.data() + written, message.size() - written);
                if (w > 0) written += static_cast<size_t>(w);
                if (w < 0 && errno != EINTR && errno != EAGAIN) writeFailed = true;
                if (writeFailed || written == message.size()) {
                    ::close(in[1]);
                    writing = false;
                }
            } else if (fds[i].fd == errFd && fds[i].revents) {
                char buffer[512];
                ssize_t r = ::read(errFd, buffer, sizeof buffer);
                if (r > 0) {
                    if (errors.size() < 2000) errors.append(buffer, static_cast<size_t>(r));
                } else if (r == 0 || errno != EINTR) {
                    ::close(errFd);
                    errFd = -1;
                }
            }
        }
    }
    if (writing) ::close(in[1]);
    if (errFd >= 0) ::close(errFd);
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    ::sigaction(SIGPIPE, &old, nullptr);

    while (!errors.empty() && (errors.back() == '\n' || errors.back() == '\r')) errors.pop_back();
    for (char& c : errors)
        if (c == '\n' || c == '\r') c = ' ';
    const std::string said = errors.empty() ? "" : ": " + errors;
    if (WIFSIGNALED(status)) return what + " was ended by signal " + std::to_string(WTERMSIG(status)) + said;
    int code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    if (code == 127) return what + " could not be run (status 127)" + said;
    if (code != 0) return what + " ended with status " + std::to_string(code) + said;
    if (writeFailed || written != message.size())
        return what + " did not read the whole message" + said;
    return std::nullopt;
}

}  // namespace ztl
