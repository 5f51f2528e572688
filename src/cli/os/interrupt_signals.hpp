// Ctrl-C (SIGINT) and SIGTERM taken as data instead of ending the process.
#pragma once

#include <signal.h>

#include "base/error.hpp"
#include "cli/os/unique_fd.hpp"

namespace tolv::cli {

// Those of the two signals not ignored: one ignored when the process
// started (`tolv gen &` in a script) stays ignored, here and in the children.
sigset_t interrupt_signal_set();

// Blocks both in the calling thread and in every thread it starts afterwards:
// call it before any other thread exists. 0 or the error number.
int block_interrupt_signals();

// Both signals blocked for the rest of the process and read from a signalfd,
// so that the command decides how it ends.
class InterruptSignals {
public:
    static Result<InterruptSignals> block();

    // Readable while one of the signals is pending.
    int fd() const { return fd_.get(); }
    // The signal taken so far, else the one pending now, else 0.
    int received();

private:
    explicit InterruptSignals(UniqueFd fd) : fd_(std::move(fd)) {}

    UniqueFd fd_;
    int received_ = 0;
};

}  // namespace tolv::cli
