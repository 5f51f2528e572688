#include "cli/commands.hpp"

#include <cerrno>
#include <cstdio>

#include <fmt/format.h>

#include "base/utf8.hpp"
#include "cli/dev/loop.hpp"
#include "cli/generate/generate_client.hpp"
#include "cli/os/os_error.hpp"
#include "cli/os/stdout_text.hpp"
#include "cli/output/output_writer.hpp"
#include "cli/schema_source/child_run.hpp"
#include "cli/schema_source/schema_acquisition.hpp"
#include "schema/json_writer.hpp"

namespace tolv::cli {
namespace {

// Runs the child to its end and turns its output into the graph. A failure
// to start it carries `spawn_context`.
Result<schema::ApiGraph> acquire_schema(const ProcessCommand& command, std::string_view spawn_context) {
    auto run = run_child(command, SpawnOptions{}, spawn_context);
    if (!run) return std::unexpected(std::move(run.error()));
    if (!run->output) return std::unexpected(std::move(run->output.error()));
    const CompletedProcess& done = *run->output;
    return schema_from_output(done.status.success(), done.stdout_bytes, done.stderr_bytes);
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

Result<void> run_gen(const GenArgs& args) {
    auto command = gen_schema_command(args);
    if (!command) return std::unexpected(std::move(command.error()));
    std::string spawn_context = args.target == BackendTarget::Python
                                    ? fmt::format("failed to spawn Python executable {}", quote_debug(args.python))
                                    : fmt::format("failed to spawn Rust app command {}", quote_debug(*args.rust_cmd));
    auto graph = acquire_schema(*command, spawn_context);
    if (!graph) return std::unexpected(std::move(graph.error()));

    const codegen::GenerationResult generated =
        generate_client(args.language, effect_options_from(args.surface), *graph);
    return write_generated_files(generated.files, args.out);
}

Result<void> run_schema_dump(const SchemaDumpArgs& args) {
    auto chosen = choose_schema_dump_command(args.app, args.python, args.app_cmd, ShortcutRule::BareFileNameOnly);
    if (!chosen) return fail("tolv schema dump requires either --app <module:attr> or a schema dump command after --");
    auto command = process_command(*chosen);
    if (!command) return std::unexpected(std::move(command.error()));
    auto graph = acquire_schema(*command, "failed to spawn schema dump subprocess");
    if (!graph) return std::unexpected(std::move(graph.error()));

    std::string text = args.compact ? schema::write_compact(*graph) : schema::write_pretty(*graph);
    text += '\n';
    print_to_stdout(text);
    return {};
}

Result<void> run(Command command) {
    if (auto* gen = std::get_if<GenArgs>(&command)) return run_gen(*gen);
    if (auto* dev = std::get_if<DevArgs>(&command)) return run_dev(std::move(*dev));
    return run_schema_dump(std::get<SchemaDumpArgs>(command));
}

}  // namespace tolv::cli
