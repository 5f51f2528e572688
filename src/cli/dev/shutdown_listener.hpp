// Turns the first Ctrl-C (SIGINT), SIGTERM, SIGHUP (a closed terminal) or
// Ctrl-\ (SIGQUIT) into one shutdown message.
#pragma once

#include "cli/dev/message.hpp"

namespace tolv::cli {

// Blocks the signals in the calling thread, and so in every thread it starts
// afterwards; call it on the main thread before any other thread exists.
// On failure prints "Error: failed to initialize signal listener: ..." and
// returns false: the signals then keep their default actions.
bool block_shutdown_signals();

// Starts a detached thread that waits for the first of the signals and
// sends one ShutdownRequest. Needs block_shutdown_signals() to have succeeded.
void spawn_shutdown_listener(DevSender sender);

// The exit status of a `dev` that ended on the listener's message: 131 when
// it took Ctrl-\ (a quit stays a quit), else 0.
int dev_exit_status();

}  // namespace tolv::cli
