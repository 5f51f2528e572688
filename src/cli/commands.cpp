#include "cli/commands.hpp"

#include <cerrno>
#include <cstdio>

#include <fmt/format.h>

#include "base/utf8.hpp"
#include "cli/dev/loop.hpp"
#include "cli/dev/shutdown_listener.hpp"
#include "cli/generate/generate_client.hpp"
#include "cli/os/interrupt_signals.hpp"
#include "cli/os/os_error.hpp"
#include "cli/os/stdout_text.hpp"
#include "cli/output/output_writer.hpp"
#include "cli/schema_source/child_run.hpp"
#include "cli/schema_source/schema_acquisition.hpp"
#include "schema/json_writer.hpp"

namespace tolv::cli {
namespace {

// Output once begun is finished: a signal that came meanwhile ends the
// command as a success, except a quit.
int status_after_output(InterruptSignals& signals) {
    return signals.received() == SIGQUIT ? interrupted_status(SIGQUIT) : 0;
}

// Runs the child to its end and turns its output into the graph. A failure
// to start it carries `spawn_context`. Nullopt when a signal came first:
// the child's group is killed and the signal is in `signals`.
Result<std::optional<schema::ApiGraph>> acquire_schema(const ProcessCommand& command, std::string_view spawn_context,
                                                       InterruptSignals& signals) {
    const Cancellation on_signal{signals.fd(), [&] { return signals.received() != 0; }};
    auto run = run_child(command, spawn_context, &on_signal);
    if (!run) return std::unexpected(std::move(run.error()));
    if (run->cancelled) return std::nullopt;
    if (!run->output) return std::unexpected(std::move(run->output.error()));
    const CompletedProcess& done = *run->output;
    return schema_from_output(done.status.success(), done.stdout_bytes, done.stderr_bytes);
}

Result<InterruptSignals> take_interrupt_signals() {
    return with_context(InterruptSignals::block(), "failed to listen for Ctrl-C and SIGTERM");
}

Result<ProcessCommand> gen_schema_command(const GenArgs& args) {
    if (args.target == BackendTarget::Python) {
        if (!args.app) return fail("--app <module:attr> is required for --target python");
        return python_app_command(args.python, *args.app);
    }
    if (!args.rust_cmd) return fail("--rust-cmd <command> is required for --target rust");
    ProcessCommand command{*args.rust_cmd, args.rust_args};
    command.args.emplace_back("--dump-schema-json");
    return command;
}

}  // namespace

Result<int> run_gen(const GenArgs& args) {
    auto command = gen_schema_command(args);
    if (!command) return std::unexpected(std::move(command.error()));
    std::string spawn_context = args.target == BackendTarget::Python
                                    ? fmt::format("failed to spawn Python executable {}", quote_debug(args.python))
                                    : fmt::format("failed to spawn Rust app command {}", quote_debug(*args.rust_cmd));
    auto signals = take_interrupt_signals();
    if (!signals) return std::unexpected(std::move(signals.error()));
    auto graph = acquire_schema(*command, spawn_context, *signals);
    if (!graph) return std::unexpected(std::move(graph.error()));
    if (!*graph) return interrupted_status(signals->received());

    auto generated = generate_client(args.language, effect_options_from(args.surface), **graph);
    if (!generated) return std::unexpected(std::move(generated.error()));
    // A signal that came while generating still means: write nothing.
    if (const int signal = signals->received()) return interrupted_status(signal);
    auto written = write_generated_files(generated->files, args.out);
    if (!written) return std::unexpected(std::move(written.error()));
    return status_after_output(*signals);
}

Result<int> run_schema_dump(const SchemaDumpArgs& args) {
    auto chosen = choose_schema_dump_command(args.app, args.python, args.app_cmd, ShortcutRule::BareFileNameOnly);
    if (!chosen) return fail("tolv schema dump requires either --app <module:attr> or a schema dump command after --");
    auto command = process_command(*chosen);
    if (!command) return std::unexpected(std::move(command.error()));
    auto signals = take_interrupt_signals();
    if (!signals) return std::unexpected(std::move(signals.error()));
    auto graph = acquire_schema(*command, "failed to spawn schema dump subprocess", *signals);
    if (!graph) return std::unexpected(std::move(graph.error()));
    if (!*graph) return interrupted_status(signals->received());

    std::string text = args.compact ? schema::write_compact(**graph) : schema::write_pretty(**graph);
    text += '\n';
    if (const int signal = signals->received()) return interrupted_status(signal);
    print_to_stdout(text);
    return status_after_output(*signals);
}

Result<int> run(Command command) {
    if (auto* gen = std::get_if<GenArgs>(&command)) return run_gen(*gen);
    if (auto* dev = std::get_if<DevArgs>(&command)) {
        auto done = run_dev(std::move(*dev));
        if (!done) return std::unexpected(std::move(done.error()));
        return dev_exit_status();
    }
    return run_schema_dump(std::get<SchemaDumpArgs>(command));
}

}  // namespace tolv::cli
