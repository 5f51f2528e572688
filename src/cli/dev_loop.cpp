#include "cli/dev_loop.hpp"

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <utility>

#include <fmt/format.h>

#include "cli/dev_config.hpp"
#include "cli/dev_debounce.hpp"
#include "cli/dev_message.hpp"
#include "cli/os_error.hpp"
#include "cli/output_writer.hpp"
#include "cli/path_text.hpp"
#include "cli/regeneration.hpp"
#include "cli/shutdown_listener.hpp"
#include "cli/stdout_text.hpp"
#include "cli/watcher.hpp"

namespace tolv::cli {
namespace {

Result<std::string> current_directory() {
    std::error_code error;
    auto cwd = std::filesystem::current_path(error);
    if (error) return fail(os_error_text(error.value()));
    return cwd.string();
}

// Absolute, with symbolic links resolved as far as the path exists, so it
// compares equal to the paths the watcher reports below `cwd`.
std::filesystem::path resolved(const std::filesystem::path& path) {
    std::error_code error;
    auto canonical = std::filesystem::weakly_canonical(path, error);
    return error ? path.lexically_normal() : canonical;
}

// Where every regeneration writes: the same choice of directory as the
// writer's, made once at start. Only the directory is resolved: the files
// themselves are replaced by renames, never written through a link.
OwnOutputs own_outputs_for(const std::string& cwd, const std::string& out, Language language) {
    const std::string directory = output_directory_for(out, real_file_system());
    const std::filesystem::path resolved_directory = resolved(std::filesystem::path(cwd) / directory);
    // A directory other than `out` means `out` names the API module itself.
    const std::string api_name = directory == out ? "api.ts" : std::string(path_text::file_name(out).value_or(""));
    const char* runtime_name = language == Language::Effect ? "_effect_internal.ts" : "_internal.ts";
    const std::vector<std::string> destinations{(resolved_directory / api_name).string(),
                                                (resolved_directory / runtime_name).string()};
    return OwnOutputs(destinations, static_cast<long>(::getpid()));
}

bool is_shutdown(RecvStatus status, const std::optional<DevMessage>& message) {
    return status != RecvStatus::Message || std::holds_alternative<ShutdownRequest>(*message);
}

enum class LoopState { Idle, Debounce, Regenerate };

Result<void> watch_and_regenerate(DevReceiver& receiver, const DevConfig& config) {
    LoopState state = LoopState::Idle;
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
                    fmt::print(stderr, "Error: regeneration failed: {}\n", outcome->result.error().display());
                    std::fflush(stderr);
                }
                state = LoopState::Idle;
                break;
            case RegenerationOutcome::Kind::Restart:
                state = LoopState::Debounce;
                break;
            case RegenerationOutcome::Kind::Shutdown:
                return {};
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
    config.own_outputs = own_outputs_for(config.cwd, config.out, config.language);

    auto [sender, receiver] = make_channel<DevMessage>();

    // Before any thread exists, so that every thread inherits the mask and
    // only the listener ever takes these signals.
    if (block_shutdown_signals()) spawn_shutdown_listener(sender);

    // No watcher yet: changes made meanwhile are not seen.
    auto initial = run_regeneration_cancellable(receiver, config);
    if (!initial) return std::unexpected(std::move(initial.error()));
    switch (initial->kind) {
    case RegenerationOutcome::Kind::Completed:
        if (!initial->result) return std::unexpected(std::move(initial->result.error()).context("initial regeneration failed"));
        break;
    case RegenerationOutcome::Kind::Shutdown:
        return {};
    case RegenerationOutcome::Kind::Restart:
        // Only the signal listener can send before the watcher exists.
        panic("initial regeneration restarted without a file watcher");
    }

    // The watcher's callback takes over the channel's first sender.
    auto watcher = RecursiveWatcher::create(
        [events = std::move(sender)](WatchResult result) { events.send(DevMessage(std::move(result))); });
    if (!watcher) return std::unexpected(std::move(watcher.error()).context("failed to create file watcher"));
    if (auto watched = (*watcher)->watch_recursive(config.cwd); !watched) {
        return std::unexpected(std::move(watched.error()).context(fmt::format("failed to watch {}", config.cwd)));
    }

    fmt::print(stderr, "tolv dev watching {} for {} client regeneration\n", config.cwd, language_name(config.language));
    std::fflush(stderr);

    // Leaving the scope drops the watcher first, then the receiver.
    return watch_and_regenerate(receiver, config);
}

}  // namespace tolv::cli
