#include "cli/os/interrupt_signals.hpp"

#include <sys/signalfd.h>
#include <unistd.h>

#include <cerrno>

#include "cli/os/os_error.hpp"

namespace tolv::cli {

sigset_t interrupt_signal_set() {
    sigset_t set;
    sigemptyset(&set);
    for (int signal : {SIGINT, SIGTERM, SIGHUP, SIGQUIT}) {
        // An ignored signal is still queued while blocked, so it must stay
        // out of the set to stay ignored.
        struct sigaction current {};
        if (::sigaction(signal, nullptr, &current) == 0 && current.sa_handler == SIG_IGN) continue;
        sigaddset(&set, signal);
    }
    return set;
}

int block_interrupt_signals() {
    const sigset_t set = interrupt_signal_set();
    return ::pthread_sigmask(SIG_BLOCK, &set, nullptr);
}

int interrupted_status(int signal) { return 128 + signal; }

Result<InterruptSignals> InterruptSignals::block() {
    if (const int err = block_interrupt_signals(); err != 0) return std::unexpected(os_error(err));
    const sigset_t set = interrupt_signal_set();
    UniqueFd fd(::signalfd(-1, &set, SFD_NONBLOCK | SFD_CLOEXEC));
    if (!fd.valid()) return std::unexpected(os_error(errno));
    return InterruptSignals(std::move(fd));
}

int InterruptSignals::received() {
    signalfd_siginfo info{};
    while (received_ != SIGQUIT && ::read(fd_.get(), &info, sizeof info) == static_cast<ssize_t>(sizeof info)) {
        const int signal = static_cast<int>(info.ssi_signo);
        if (received_ == 0 || signal == SIGQUIT) received_ = signal;
    }
    return received_;
}

}  // namespace tolv::cli
