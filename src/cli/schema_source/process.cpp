#include "cli/schema_source/process.hpp"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <utility>

#include "cli/os/interrupt_signals.hpp"
#include "cli/os/os_error.hpp"

extern char** environ;

namespace tolv::cli {
namespace {

// posix_spawn file actions and attributes, destroyed on every path.
struct SpawnSetup {
    posix_spawn_file_actions_t actions;
    posix_spawnattr_t attr;
    SpawnSetup() {
        posix_spawn_file_actions_init(&actions);
        posix_spawnattr_init(&attr);
    }
    ~SpawnSetup() {
        posix_spawn_file_actions_destroy(&actions);
        posix_spawnattr_destroy(&attr);
    }
    SpawnSetup(const SpawnSetup&) = delete;
    SpawnSetup& operator=(const SpawnSetup&) = delete;
};

Result<std::pair<UniqueFd, UniqueFd>> make_pipe() {
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0) return std::unexpected(os_error(errno));
    return std::pair{UniqueFd(fds[0]), UniqueFd(fds[1])};
}

// Through syscall(): older C libraries have no wrapper, and glibc 2.36
// declares its wrapper without C linkage for C++.
int open_pidfd(pid_t pid) { return static_cast<int>(::syscall(SYS_pidfd_open, pid, 0)); }

}  // namespace

bool ExitStatus::success() const { return WIFEXITED(raw) && WEXITSTATUS(raw) == 0; }

Result<ChildProcess> ChildProcess::spawn(const ProcessCommand& command) {
    auto out_pipe = make_pipe();
    if (!out_pipe) return std::unexpected(out_pipe.error());
    auto err_pipe = make_pipe();
    if (!err_pipe) return std::unexpected(err_pipe.error());

    SpawnSetup setup;
    posix_spawn_file_actions_addopen(&setup.actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&setup.actions, out_pipe->second.get(), STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&setup.actions, err_pipe->second.get(), STDERR_FILENO);

    // The leader of a new process group, so that kill() reaches everything
    // it started. An empty signal mask and the default dispositions of
    // SIGPIPE (ignored here, so that a closed stdout is reported, not fatal)
    // and of the interrupt signals taken as data here: whatever this process
    // blocks or ignores survives exec otherwise. Those ignored when this
    // process started stay ignored.
    posix_spawnattr_setpgroup(&setup.attr, 0);
    sigset_t empty;
    sigemptyset(&empty);
    posix_spawnattr_setsigmask(&setup.attr, &empty);
    sigset_t defaults = interrupt_signal_set();
    sigaddset(&defaults, SIGPIPE);
    posix_spawnattr_setsigdefault(&setup.attr, &defaults);
    posix_spawnattr_setflags(&setup.attr, POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);

    std::vector<char*> argv;
    argv.reserve(command.args.size() + 2);
    argv.push_back(const_cast<char*>(command.program.c_str()));
    for (const auto& arg : command.args) argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);

    pid_t pid = -1;
    int rc = ::posix_spawnp(&pid, command.program.c_str(), &setup.actions, &setup.attr, argv.data(), environ);
    if (rc != 0) return std::unexpected(os_error(rc));

    ChildProcess child;
    child.pid_ = pid;
    child.stdout_ = std::move(out_pipe->first);
    child.stderr_ = std::move(err_pipe->first);
    // The child is not reaped yet, so its id cannot have been reused.
    child.pidfd_ = UniqueFd(open_pidfd(pid));
    if (!child.pidfd_.valid()) return std::unexpected(os_error(errno));  // the handle kills and reaps it
    // The write ends close here, so the reads see end of file once the child
    // (and anything it passed them to) is done.
    return child;
}

ChildProcess::ChildProcess(ChildProcess&& other) noexcept
    : pid_(std::exchange(other.pid_, -1)),
      status_(other.status_),
      pidfd_(std::move(other.pidfd_)),
      stdout_(std::move(other.stdout_)),
      stderr_(std::move(other.stderr_)) {}

ChildProcess& ChildProcess::operator=(ChildProcess&& other) noexcept {
    if (this != &other) {
        discard();
        pid_ = std::exchange(other.pid_, -1);
        status_ = other.status_;
        pidfd_ = std::move(other.pidfd_);
        stdout_ = std::move(other.stdout_);
        stderr_ = std::move(other.stderr_);
    }
    return *this;
}

ChildProcess::~ChildProcess() { discard(); }

void ChildProcess::discard() {
    stdout_.reset();
    stderr_.reset();
    if (pid_ > 0 && !status_) {
        kill();
        (void)wait();
    }
    pidfd_.reset();
    pid_ = -1;
}

Result<ExitStatus> ChildProcess::wait() {
    if (status_) return *status_;
    int raw = 0;
    pid_t rc;
    do {
        rc = ::waitpid(pid_, &raw, 0);
    } while (rc < 0 && errno == EINTR);
    if (rc < 0) return std::unexpected(os_error(errno));
    status_ = ExitStatus{raw};
    return *status_;
}

void ChildProcess::kill() {
    if (pid_ > 0 && !status_) ::kill(-pid_, SIGKILL);
}

}  // namespace tolv::cli
