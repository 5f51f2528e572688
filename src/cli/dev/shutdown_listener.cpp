#include "cli/dev/shutdown_listener.hpp"

#include <atomic>
#include <csignal>
#include <cstdio>
#include <thread>

#include <fmt/format.h>

#include "cli/os/interrupt_signals.hpp"
#include "cli/os/os_error.hpp"
#include "cli/os/stdout_text.hpp"

namespace tolv::cli {
namespace {

// Stored before the message is sent, so the loop sees it once it has the message.
std::atomic<int> taken_signal{0};

void wait_and_send(const DevSender& sender) {
    const sigset_t set = interrupt_signal_set();
    int received = 0;
    if (const int err = ::sigwait(&set, &received); err != 0) {
        print_to_stderr(fmt::format("Error: failed to listen for Ctrl-C: {}\n", os_error_text(err)));
    }
    taken_signal.store(received);
    sender.send(ShutdownRequest{});  // refused once the loop is gone; nothing to do then
}

}  // namespace

bool block_shutdown_signals() {
    if (const int err = block_interrupt_signals(); err != 0) {
        print_to_stderr(fmt::format("Error: failed to initialize signal listener: {}\n", os_error_text(err)));
        return false;
    }
    return true;
}

void spawn_shutdown_listener(DevSender sender) {
    std::thread([sender = std::move(sender)] { wait_and_send(sender); }).detach();
}

int dev_exit_status() { return taken_signal.load() == SIGQUIT ? interrupted_status(SIGQUIT) : 0; }

}  // namespace tolv::cli
