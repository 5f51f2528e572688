#include "cli/schema_source/child_run.hpp"

#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <optional>
#include <utility>

#include <fmt/format.h>

#include "cli/os/os_error.hpp"

namespace tolv::cli {
namespace {

using Clock = std::chrono::steady_clock;

constexpr const char* kPollFailed = "failed to poll schema dump subprocess";

// How long the pipes are still read once the child has exited: whatever it
// started may hold them open for as long as it lives.
constexpr auto kOutputGrace = std::chrono::milliseconds(250);

// One output pipe of the child and what has come through it.
struct Drained {
    UniqueFd pipe;
    const char* label;
    std::string bytes;

    // One read, as poll found the pipe ready. End of file or a failure
    // closes it; the first failure is kept in `error`.
    void read_once(std::optional<Error>& error) {
        char buffer[64 * 1024];
        const ssize_t n = ::read(pipe.get(), buffer, sizeof buffer);
        if (n > 0) {
            bytes.append(buffer, static_cast<std::size_t>(n));
        } else if (n == 0) {
            pipe.reset();
        } else if (errno != EINTR && errno != EAGAIN) {
            if (!error) error = os_error(errno).context(fmt::format("failed to read {}", label));
            pipe.reset();
        }
    }
};

// Milliseconds left until `deadline` for poll(), rounded up; -1 for none.
int poll_timeout(const std::optional<Clock::time_point>& deadline) {
    if (!deadline) return -1;
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(*deadline - Clock::now());
    return static_cast<int>(std::max<std::chrono::milliseconds::rep>(left.count(), 0));
}

}  // namespace

Result<ChildRun> run_child(const ProcessCommand& command, std::string_view spawn_context,
                           const Cancellation* cancellation) {
    auto spawned = ChildProcess::spawn(command);
    if (!spawned) return std::unexpected(std::move(spawned.error()).context(std::string(spawn_context)));
    ChildProcess& child = *spawned;

    Drained out{child.take_stdout(), "schema dump stdout", {}};
    Drained err{child.take_stderr(), "schema dump stderr", {}};
    std::optional<Error> read_error;
    std::optional<Clock::time_point> reading_ends;  // set once the exit is seen
    while (!reading_ends || ((out.pipe.valid() || err.pipe.valid()) && Clock::now() < *reading_ends)) {
        const bool exited = reading_ends.has_value();
        // Negative descriptors are skipped. Once the child has exited, only
        // its output is waited for: the run can no longer be cancelled.
        pollfd fds[4] = {
            {out.pipe.get(), POLLIN, 0},
            {err.pipe.get(), POLLIN, 0},
            {exited ? -1 : child.pidfd(), POLLIN, 0},
            {exited || cancellation == nullptr ? -1 : cancellation->fd, POLLIN, 0},
        };
        if (::poll(fds, 4, poll_timeout(reading_ends)) < 0) {
            if (errno == EINTR) continue;
            return std::unexpected(os_error(errno).context(kPollFailed));
        }
        if (fds[0].revents != 0) out.read_once(read_error);
        if (fds[1].revents != 0) err.read_once(read_error);
        if (fds[2].revents != 0) {
            reading_ends = Clock::now() + kOutputGrace;
        } else if (fds[3].revents != 0 && cancellation->requested()) {
            child.kill();
            (void)child.wait();
            return ChildRun{.cancelled = true, .output = {}};
        }
    }
    // Later output is not waited for. Whatever the child left in its group
    // goes now, while its unreaped exit keeps the group's id from reuse.
    out.pipe.reset();
    err.pipe.reset();
    child.kill();
    auto status = child.wait();
    if (!status) return std::unexpected(std::move(status.error()).context(kPollFailed));
    if (read_error) return ChildRun{.cancelled = false, .output = std::unexpected(std::move(*read_error))};
    return ChildRun{.cancelled = false,
                    .output = CompletedProcess{*status, std::move(out.bytes), std::move(err.bytes)}};
}

}  // namespace tolv::cli
