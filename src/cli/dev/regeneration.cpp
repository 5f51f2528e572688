#include "cli/dev/regeneration.hpp"

#include <utility>

#include "cli/dev/debounce.hpp"
#include "cli/generate/generate_client.hpp"
#include "cli/output/output_writer.hpp"
#include "cli/schema_source/child_run.hpp"
#include "cli/schema_source/schema_acquisition.hpp"

namespace tolv::cli {
namespace {

using Kind = RegenerationOutcome::Kind;

Result<void> generate_and_write(const DevConfig& config, const schema::ApiGraph& graph) {
    auto generated = generate_client(config.language, config.effect_options, graph);
    if (!generated) return std::unexpected(std::move(generated.error()));
    return write_generated_files(generated->files, config.out);
}

// Takes every queued message; decides on the first relevant change (Restart)
// or shutdown request (Shutdown), dropping irrelevant events.
std::optional<Kind> stop_for(DevReceiver& receiver, const DevConfig& config) {
    for (;;) {
        std::optional<DevMessage> message;
        const RecvStatus received = receiver.try_recv(message);
        if (received == RecvStatus::Timeout) return std::nullopt;
        if (received == RecvStatus::Disconnected || std::holds_alternative<ShutdownRequest>(*message)) {
            return Kind::Shutdown;
        }
        if (is_relevant_change(*message, config)) return Kind::Restart;
    }
}

}  // namespace

Result<RegenerationOutcome> run_regeneration_cancellable(DevReceiver& receiver, const DevConfig& config) {
    auto command = process_command(config.schema_command);
    if (!command) return std::unexpected(std::move(command.error()));
    auto wake_fd = receiver.wake_fd();
    if (!wake_fd) return std::unexpected(std::move(wake_fd.error()).context("failed to wait for dev messages"));

    std::optional<Kind> stop;
    const Cancellation cancellation{*wake_fd, [&] { return (stop = stop_for(receiver, config)).has_value(); }};
    auto run = run_child(*command, "failed to spawn schema dump subprocess", &cancellation);
    if (!run) return std::unexpected(std::move(run.error()));
    if (run->cancelled) return RegenerationOutcome{*stop, {}};

    if (!run->output) return RegenerationOutcome{Kind::Completed, std::unexpected(std::move(run->output.error()))};
    const CompletedProcess& done = *run->output;
    auto graph = schema_from_output(done.status.success(), done.stdout_bytes, done.stderr_bytes);
    if (!graph) return RegenerationOutcome{Kind::Completed, std::unexpected(std::move(graph.error()))};
    return RegenerationOutcome{Kind::Completed, generate_and_write(config, *graph)};
}

}  // namespace tolv::cli
