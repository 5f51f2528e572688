// Child processes started with posix_spawn in a process group of their own:
// standard input on /dev/null, standard output and standard error each on a
// new pipe, and a pidfd to wait on their exit.
#pragma once

#include <sys/types.h>

#include <optional>
#include <string>
#include <vector>

#include "base/error.hpp"
#include "cli/os/unique_fd.hpp"

namespace tolv::cli {

// A program and its arguments; the program is looked up on PATH when it
// holds no slash. Never run through a shell.
struct ProcessCommand {
    std::string program;
    std::vector<std::string> args;

    friend bool operator==(const ProcessCommand&, const ProcessCommand&) = default;
};

// A raw wait status as returned by waitpid.
struct ExitStatus {
    int raw = 0;
    // Exited normally with code 0 (not killed by a signal).
    bool success() const;
};

class ChildProcess {
public:
    // Starts the child as the leader of a new process group, with an empty
    // signal mask and the default dispositions of the signals this process
    // ignores or takes itself (those ignored when it started stay ignored).
    // Fails with the bare OS error (callers add their own context).
    static Result<ChildProcess> spawn(const ProcessCommand& command);

    ChildProcess(ChildProcess&& other) noexcept;
    ChildProcess& operator=(ChildProcess&& other) noexcept;
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;
    // Closes the pipes still held; a child never reaped is killed and reaped
    // so that no zombie outlives its handle.
    ~ChildProcess();

    pid_t pid() const { return pid_; }
    // Turns readable once the child has exited (it stays unreaped until wait).
    int pidfd() const { return pidfd_.get(); }

    // Hand over the read end of a pipe; an invalid fd once taken.
    UniqueFd take_stdout() { return std::move(stdout_); }
    UniqueFd take_stderr() { return std::move(stderr_); }

    // Blocks until the child exits and reaps it.
    Result<ExitStatus> wait();
    // SIGKILL to the child's process group, whatever is left of it once the
    // child itself has exited. Does nothing once the child is reaped (its id
    // may then be reused). Errors are ignored.
    void kill();

private:
    ChildProcess() = default;
    void discard();

    pid_t pid_ = -1;
    std::optional<ExitStatus> status_;  // set once reaped
    UniqueFd pidfd_;
    UniqueFd stdout_;
    UniqueFd stderr_;
};

}  // namespace tolv::cli
