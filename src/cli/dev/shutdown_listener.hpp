// Turns the first Ctrl-C (SIGINT) or SIGTERM into one shutdown message.
#pragma once

#include "cli/dev/message.hpp"

namespace tolv::cli {

// Blocks SIGINT and SIGTERM in the calling thread, and so in every thread it
// starts afterwards; call it on the main thread before any other thread exists.
// On failure prints "Error: failed to initialize signal listener: ..." and
// returns false: the signals then keep their default actions.
bool block_shutdown_signals();

// Starts a detached thread that waits for the first of the two signals and
// sends one ShutdownRequest. Needs block_shutdown_signals() to have succeeded.
void spawn_shutdown_listener(DevSender sender);

}  // namespace tolv::cli
