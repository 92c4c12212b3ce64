#include "qbwc/console/console_jobs.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <thread>

#include "qbwc/random_id.h"

extern char** environ;

namespace ztl::qbwc {

namespace {

// The child: nothing on its standard input, both its outputs into `pipeOut`, none of the
// service's other descriptors (its listening socket among them, which a child outliving a
// restart would otherwise keep bound), and the signals as a new program has them.
// Returns the child's id, or why it could not be started.
pid_t spawnChild(const std::filesystem::path& program, const std::vector<std::string>& arguments, int pipeOut,
                 std::string& failure) {
    std::vector<std::string> words;
    words.push_back(program.filename().string());
    words.insert(words.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (auto& w : words) argv.push_back(w.data());
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawnattr_t attributes;
    posix_spawn_file_actions_init(&actions);
    posix_spawnattr_init(&attributes);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, pipeOut, 1);
    posix_spawn_file_actions_adddup2(&actions, pipeOut, 2);
    posix_spawn_file_actions_addclosefrom_np(&actions, 3);
    sigset_t none, all;
    sigemptyset(&none);
    sigfillset(&all);
    posix_spawnattr_setsigmask(&attributes, &none);
    posix_spawnattr_setsigdefault(&attributes, &all);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
    pid_t pid = -1;
    const int error = ::posix_spawn(&pid, program.c_str(), &actions, &attributes, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    if (error != 0) {
        failure = program.string() + " could not be started: " + std::strerror(error);
        return -1;
    }
    return pid;
}

}  // namespace

void BoundedOutput::append(const char* data, std::size_t size) {
    const std::size_t toHead = std::min(size, headLimit_ - head_.size());
    head_.append(data, toHead);
    tail_.append(data + toHead, size - toHead);
    // Trimmed in steps, not at every read: the tail is cut once it holds twice its share.
    if (tail_.size() > 2 * tailLimit_) {
        const std::size_t cut = tail_.size() - tailLimit_;
        tail_.erase(0, cut);
        leftOut_ += cut;
    }
}

std::string BoundedOutput::text() const {
    const std::size_t extra = tail_.size() > tailLimit_ ? tail_.size() - tailLimit_ : 0;
    if (leftOut_ + extra == 0) return head_ + tail_;
    return head_ + "\n[... " + std::to_string(leftOut_ + extra) +
           " bytes of output left out here: only the first and the last part of a long output are kept ...]\n" +
           tail_.substr(extra);
}

struct ConsoleJobs::Job {
    JobView view;
    BoundedOutput output;
    pid_t pid = -1;
};

struct ConsoleJobs::Shared {
    JobsSetup setup;
    mutable std::mutex mutex;
    std::map<std::string, std::shared_ptr<Job>> jobs;
    std::vector<std::string> order;  // ids, oldest first

    JobView snapshot(const Job& job) const {
        JobView view = job.view;
        view.output = job.output.text();
        return view;
    }

    const Job* runningJob(const std::string& kind, const std::string& storeKey) const {
        for (const auto& [id, job] : jobs)
            if (job->view.running() && job->view.request.kind == kind && job->view.request.storeKey == storeKey)
                return job.get();
        return nullptr;
    }

    // Drops the oldest ended jobs beyond the number kept.
    void prune() {
        std::size_t ended = 0;
        for (const auto& id : order) ended += jobs.at(id)->view.running() ? 0 : 1;
        for (auto it = order.begin(); ended > setup.keep && it != order.end();) {
            if (jobs.at(*it)->view.running()) {
                ++it;
                continue;
            }
            jobs.erase(*it);
            it = order.erase(it);
            --ended;
        }
    }
};

namespace {

// Reads the child's output until it has ended, then waits for it: the child is never left a
// zombie. A grandchild that keeps the pipe open after the child ended is not waited for.
template <typename Append>
int watchChild(pid_t pid, int fd, Append append) {
    char buffer[8192];
    int status = 0;
    bool exited = false, closed = false;
    while (!closed && !exited) {
        pollfd p{fd, POLLIN, 0};
        const int ready = ::poll(&p, 1, 250);
        if (ready > 0) {
            const ssize_t n = ::read(fd, buffer, sizeof buffer);
            if (n > 0) append(buffer, static_cast<std::size_t>(n));
            else if (n == 0 || (errno != EINTR && errno != EAGAIN)) closed = true;
        }
        if (::waitpid(pid, &status, WNOHANG) == pid) exited = true;
    }
    if (exited) {
        // What the child wrote before it ended, without waiting for anyone else's writes.
        ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
        for (int i = 0; i < 1024; ++i) {
            const ssize_t n = ::read(fd, buffer, sizeof buffer);
            if (n <= 0) break;
            append(buffer, static_cast<std::size_t>(n));
        }
    } else {
        while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
        }
    }
    ::close(fd);
    return status;
}

}  // namespace

ConsoleJobs::ConsoleJobs(JobsSetup setup) : shared_(std::make_shared<Shared>()) {
    shared_->setup = std::move(setup);
}

ConsoleJobs::Started ConsoleJobs::start(const JobRequest& request) {
    std::unique_lock lock(shared_->mutex);
    if (const Job* job = shared_->runningJob(request.kind, request.storeKey))
        return {std::nullopt, shared_->snapshot(*job), {}};

    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0) return {std::nullopt, std::nullopt, std::string("no pipe: ") + std::strerror(errno)};
    std::string failure;
    const pid_t pid = spawnChild(shared_->setup.program, request.arguments, fds[1], failure);
    ::close(fds[1]);
    if (pid < 0) {
        ::close(fds[0]);
        return {std::nullopt, std::nullopt, failure};
    }
    auto job = std::make_shared<Job>(Job{JobView{}, BoundedOutput(shared_->setup.outputLimit), pid});
    job->view.request = request;
    job->view.started = std::chrono::system_clock::now();
    do job->view.id = newTicket().substr(0, 12);  // 48 random bits: a job's address is not guessed
    while (shared_->jobs.count(job->view.id));
    shared_->jobs[job->view.id] = job;
    shared_->order.push_back(job->view.id);
    shared_->prune();
    JobView started = shared_->snapshot(*job);
    lock.unlock();

    std::thread([shared = shared_, job, fd = fds[0]] {
        const int status = watchChild(job->pid, fd, [&](const char* data, std::size_t size) {
            std::lock_guard guard(shared->mutex);
            job->output.append(data, size);
        });
        JobView ended;
        {
            std::lock_guard guard(shared->mutex);
            job->view.ended = std::chrono::system_clock::now();
            if (WIFEXITED(status)) job->view.exitStatus = WEXITSTATUS(status);
            if (WIFSIGNALED(status)) job->view.signal = WTERMSIG(status);
            ended = shared->snapshot(*job);
            shared->prune();
        }
        if (shared->setup.ended) shared->setup.ended(ended);
    }).detach();
    return {started, std::nullopt, {}};
}

std::optional<JobView> ConsoleJobs::find(const std::string& id) const {
    std::lock_guard lock(shared_->mutex);
    auto it = shared_->jobs.find(id);
    if (it == shared_->jobs.end()) return std::nullopt;
    return shared_->snapshot(*it->second);
}

std::optional<JobView> ConsoleJobs::running(const std::string& kind, const std::string& storeKey) const {
    std::lock_guard lock(shared_->mutex);
    const Job* job = shared_->runningJob(kind, storeKey);
    if (!job) return std::nullopt;
    return shared_->snapshot(*job);
}

}  // namespace ztl::qbwc
