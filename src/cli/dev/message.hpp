// The messages of the development loop's channel.
#pragma once

#include <variant>

#include "cli/dev/channel.hpp"
#include "cli/dev/watcher.hpp"

namespace tolv::cli {

// Sent once by the signal listener on Ctrl-C or SIGTERM.
struct ShutdownRequest {};

// A watcher result (unfiltered), or a request to stop.
using DevMessage = std::variant<WatchResult, ShutdownRequest>;

using DevSender = Sender<DevMessage>;
using DevReceiver = Receiver<DevMessage>;

}  // namespace tolv::cli
