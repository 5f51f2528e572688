// Waiting for a burst of source changes to settle.
#pragma once

#include <chrono>
#include <cstdint>

#include "cli/dev/config.hpp"
#include "cli/dev/message.hpp"

namespace tolv::cli {

// now + `ms`, or the clock's last instant when that cannot be represented.
std::chrono::steady_clock::time_point saturating_deadline(std::chrono::steady_clock::time_point now, std::uint64_t ms);

// True for a watcher event that is a relevant change (see watched_event_result).
bool is_relevant_change(const DevMessage& message, const DevConfig& config);

// Waits until no relevant change has arrived for the debounce window; each
// relevant change starts the window again. True means stop: a shutdown
// request arrived or the channel closed.
bool wait_for_debounce(DevReceiver& receiver, const DevConfig& config);

}  // namespace tolv::cli
