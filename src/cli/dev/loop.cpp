#include "cli/dev/loop.hpp"

#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <utility>

#include <fmt/format.h>

#include "base/utf8.hpp"
#include "cli/dev/config.hpp"
#include "cli/dev/debounce.hpp"
#include "cli/dev/message.hpp"
#include "cli/dev/regeneration.hpp"
#include "cli/dev/shutdown_listener.hpp"
#include "cli/dev/watcher.hpp"
#include "cli/generate/generate_client.hpp"
#include "cli/os/os_error.hpp"
#include "cli/os/stdout_text.hpp"

namespace tolv::cli {
namespace {

Result<std::string> current_directory() {
    std::error_code error;
    auto cwd = std::filesystem::current_path(error);
    if (error) return fail(os_error_text(error.value()));
    return cwd.string();
}

bool is_shutdown(RecvStatus status, const std::optional<DevMessage>& message) {
    return status != RecvStatus::Message || std::holds_alternative<ShutdownRequest>(*message);
}

enum class LoopState { Idle, Debounce, Regenerate };

Result<void> watch_and_regenerate(DevReceiver& receiver, const DevConfig& config, LoopState state) {
    for (;;) {
        switch (state) {
            case LoopState::Idle: {
                std::optional<DevMessage> message;
                const RecvStatus status = receiver.recv(message);
                if (is_shutdown(status, message)) return {};
                if (is_relevant_change(*message, config)) state = LoopState::Debounce;
                break;
            }
            case LoopState::Debounce:
                if (wait_for_debounce(receiver, config)) return {};
                state = LoopState::Regenerate;
                break;
            case LoopState::Regenerate: {
                auto outcome = run_regeneration_cancellable(receiver, config);
                if (!outcome) return std::unexpected(std::move(outcome.error()));
                switch (outcome->kind) {
                    case RegenerationOutcome::Kind::Completed:
                        if (!outcome->result) {
                            print_to_stderr(
                                fmt::format("Error: regeneration failed: {}\n", outcome->result.error().display()));
                        }
                        state = LoopState::Idle;
                        break;
                    case RegenerationOutcome::Kind::Restart: state = LoopState::Debounce; break;
                    case RegenerationOutcome::Kind::Shutdown: return {};
                }
                break;
            }
        }
    }
}

}  // namespace

Result<void> run_dev(DevArgs args) {
    auto schema_command = choose_schema_dump_command(args.app, args.python, args.app_cmd, ShortcutRule::AnyDirectory);
    if (!schema_command) return fail("tolv dev requires either --app <module:attr> or a schema dump command after --");

    auto cwd = current_directory();
    if (!cwd) return std::unexpected(std::move(cwd.error()).context("failed to resolve current directory"));

    DevConfig config{
        .out = std::move(args.out),
        .cwd = std::move(*cwd),
        .watch_globs = std::move(args.watch_globs),
        .schema_command = std::move(*schema_command),
        .debounce_ms = args.debounce_ms,
        .effect_options = effect_options_from(args.surface),
        .language = args.language,
        .own_outputs = {},
    };
    // The file names a generation writes, learnt from generating an empty graph.
    const codegen::GenerationResult names =
        generate_client(config.language, config.effect_options, schema::ApiGraph{}).value();
    config.own_outputs = own_outputs_for(config.cwd, config.out, names.files, static_cast<long>(::getpid()));

    auto [sender, receiver] = make_channel<DevMessage>();

    // Before any thread exists, so that every thread inherits the mask and
    // only the listener ever takes these signals.
    if (block_shutdown_signals()) spawn_shutdown_listener(sender);

    // No watcher yet: changes made meanwhile are found by their file times
    // once it watches.
    const timespec initial_start = file_time_boundary();
    auto initial = run_regeneration_cancellable(receiver, config);
    if (!initial) return std::unexpected(std::move(initial.error()));
    switch (initial->kind) {
        case RegenerationOutcome::Kind::Completed:
            if (!initial->result)
                return std::unexpected(std::move(initial->result.error()).context("initial regeneration failed"));
            break;
        case RegenerationOutcome::Kind::Shutdown: return {};
        case RegenerationOutcome::Kind::Restart:
            // Only the signal listener can send before the watcher exists.
            panic("initial regeneration restarted without a file watcher");
    }

    // The watcher's callback takes over the channel's first sender.
    auto watcher = RecursiveWatcher::create(
        [events = std::move(sender)](WatchResult result) { events.send(DevMessage(std::move(result))); });
    if (!watcher) return std::unexpected(std::move(watcher.error()).context("failed to create file watcher"));
    // A relevant file changed since the initial regeneration began may not
    // be in the client it wrote: regenerate once more.
    bool changed_meanwhile = false;
    auto watched = (*watcher)->watch_recursive(config.cwd, [&](const std::string& path) {
        changed_meanwhile = changed_meanwhile ||
                            changed_relevantly_since(path, initial_start, config.watch_globs, config.own_outputs);
    });
    if (!watched) {
        return std::unexpected(
            std::move(watched.error()).context(fmt::format("failed to watch {}", lossy_utf8(config.cwd))));
    }

    print_to_stderr(fmt::format("tolv dev watching {} for {} client regeneration\n", lossy_utf8(config.cwd),
                                language_name(config.language)));

    // Leaving the scope drops the watcher first, then the receiver.
    return watch_and_regenerate(receiver, config, changed_meanwhile ? LoopState::Debounce : LoopState::Idle);
}

}  // namespace tolv::cli
