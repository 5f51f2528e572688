#include "cli/dev/shutdown_listener.hpp"

#include <csignal>
#include <cstdio>
#include <thread>

#include <fmt/format.h>

#include "cli/os/os_error.hpp"
#include "cli/os/stdout_text.hpp"

namespace tolv::cli {
namespace {

sigset_t shutdown_signals() {
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGINT);
    sigaddset(&set, SIGTERM);
    return set;
}

void wait_and_send(const DevSender& sender) {
    const sigset_t set = shutdown_signals();
    int received = 0;
    if (const int err = ::sigwait(&set, &received); err != 0) {
        print_to_stderr(fmt::format("Error: failed to listen for Ctrl-C: {}\n", os_error_text(err)));
    }
    sender.send(ShutdownRequest{});  // refused once the loop is gone; nothing to do then
}

}  // namespace

bool block_shutdown_signals() {
    const sigset_t set = shutdown_signals();
    if (const int err = ::pthread_sigmask(SIG_BLOCK, &set, nullptr); err != 0) {
        print_to_stderr(fmt::format("Error: failed to initialize signal listener: {}\n", os_error_text(err)));
        return false;
    }
    return true;
}

void spawn_shutdown_listener(DevSender sender) {
    std::thread([sender = std::move(sender)] { wait_and_send(sender); }).detach();
}

}  // namespace tolv::cli
