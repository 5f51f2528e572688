#include "cli/dev/debounce.hpp"

#include <optional>
#include <variant>

namespace tolv::cli {

std::chrono::steady_clock::time_point saturating_deadline(std::chrono::steady_clock::time_point now, std::uint64_t ms) {
    using Clock = std::chrono::steady_clock;
    const auto room = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::time_point::max() - now);
    if (room.count() < 0 || ms >= static_cast<std::uint64_t>(room.count())) return Clock::time_point::max();
    return now + std::chrono::milliseconds(static_cast<std::chrono::milliseconds::rep>(ms));
}

bool is_relevant_change(const DevMessage& message, const DevConfig& config) {
    const auto* result = std::get_if<WatchResult>(&message);
    return result != nullptr && watched_event_result(*result, config.watch_globs, config.own_outputs);
}

bool wait_for_debounce(DevReceiver& receiver, const DevConfig& config) {
    using Clock = std::chrono::steady_clock;
    auto deadline = saturating_deadline(Clock::now(), config.debounce_ms);
    while (Clock::now() < deadline) {
        std::optional<DevMessage> message;
        const RecvStatus status = receiver.recv_until(message, deadline);
        if (status == RecvStatus::Timeout) return false;
        if (status == RecvStatus::Disconnected || std::holds_alternative<ShutdownRequest>(*message)) return true;
        if (is_relevant_change(*message, config)) deadline = saturating_deadline(Clock::now(), config.debounce_ms);
    }
    return false;
}

}  // namespace tolv::cli
