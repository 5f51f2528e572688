// One regeneration of the development loop, cancellable while its schema-dump
// child runs.
#pragma once

#include "base/error.hpp"
#include "cli/dev/config.hpp"
#include "cli/dev/message.hpp"

namespace tolv::cli {

struct RegenerationOutcome {
    enum class Kind {
        Completed,  // the child exited on its own; `result` says how the rest went
        Restart,    // a relevant change arrived; the child was killed
        Shutdown,   // a shutdown request (or a closed channel); the child was killed
    };
    Kind kind = Kind::Completed;
    Result<void> result;  // meaningful for Completed only
};

// Runs the schema dump, draining its output while listening on the channel;
// once it exits on its own, checks its output, generates the client and
// writes it. The error return is fatal to `dev` (the child could not be
// built, started or waited for).
Result<RegenerationOutcome> run_regeneration_cancellable(DevReceiver& receiver, const DevConfig& config);

}  // namespace tolv::cli
