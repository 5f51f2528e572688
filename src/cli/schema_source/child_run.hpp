// Running a schema-dump child to its end: one poll over its two output pipes,
// its exit and, for `dev`, whatever may cancel the run.
#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "base/error.hpp"
#include "cli/schema_source/process.hpp"

namespace tolv::cli {

// Everything a child left behind once it ran to its end.
struct CompletedProcess {
    ExitStatus status;
    std::string stdout_bytes;
    std::string stderr_bytes;
};

// A descriptor that turns readable when the run may have to stop, and the
// question asked each time it does: true cancels the run.
struct Cancellation {
    int fd = -1;
    std::function<bool()> requested;
};

struct ChildRun {
    // The cancellation asked to stop while the child ran: its process group
    // was killed and its output dropped.
    bool cancelled = false;
    // Otherwise: what it left, or the failure to read one of its pipes.
    Result<CompletedProcess> output;
};

// Spawns `command` in a process group of its own and drains both of its
// pipes until it has exited and they have ended, or 250 ms after its exit at
// the most: then the pipes are closed and what is left of its group is
// killed, so that nothing it started keeps the run waiting. The error return
// is a failure to start it (with `spawn_context` above the OS error) or to
// wait for it ("failed to poll schema dump subprocess"); the child is then
// killed and reaped.
Result<ChildRun> run_child(const ProcessCommand& command, std::string_view spawn_context,
                           const Cancellation* cancellation = nullptr);

}  // namespace tolv::cli
