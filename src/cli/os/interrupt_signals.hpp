// Ctrl-C (SIGINT), SIGTERM, a closed terminal (SIGHUP) and Ctrl-\ (SIGQUIT)
// taken as data instead of ending the process.
#pragma once

#include <signal.h>

#include "base/error.hpp"
#include "cli/os/unique_fd.hpp"

namespace tolv::cli {

// Those of the four signals not ignored: one ignored when the process
// started (nohup, trap '' HUP) stays ignored, here and in the children.
sigset_t interrupt_signal_set();

// Blocks them in the calling thread and in every thread it starts afterwards:
// call it before any other thread exists. 0 or the error number.
int block_interrupt_signals();

// The exit status of a command ended by `signal`: 128 plus its number.
int interrupted_status(int signal);

// The signals blocked for the rest of the process and read from a signalfd,
// so that the command decides how it ends.
class InterruptSignals {
public:
    static Result<InterruptSignals> block();

    // Readable while one of the signals is pending.
    int fd() const { return fd_.get(); }
    // The signal that decides how the command ends, 0 while none came:
    // SIGQUIT once taken (a quit never ends as a success), else the first
    // one taken.
    int received();

private:
    explicit InterruptSignals(UniqueFd fd) : fd_(std::move(fd)) {}

    UniqueFd fd_;
    int received_ = 0;
};

}  // namespace tolv::cli
