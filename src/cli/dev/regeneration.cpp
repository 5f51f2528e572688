#include "cli/dev/regeneration.hpp"

#include <chrono>
#include <future>
#include <thread>
#include <utility>

#include <fmt/format.h>

#include "cli/dev/debounce.hpp"
#include "cli/generate/generate_client.hpp"
#include "cli/output/output_writer.hpp"
#include "cli/schema_source/process.hpp"
#include "cli/schema_source/schema_acquisition.hpp"

namespace tolv::cli {
namespace {

constexpr auto kPollInterval = std::chrono::milliseconds(25);

// A thread draining one pipe. An exception escaping the read counts as the
// reader having panicked.
class PipeReader {
public:
    PipeReader(UniqueFd pipe, std::string label) {
        std::packaged_task<Result<std::string>()> task(
            [pipe = std::move(pipe), label = std::move(label)]() mutable { return read_pipe(std::move(pipe), label); });
        result_ = task.get_future();
        thread_ = std::thread(std::move(task));
    }
    PipeReader(const PipeReader&) = delete;
    PipeReader& operator=(const PipeReader&) = delete;
    ~PipeReader() {
        if (thread_.joinable()) thread_.detach();  // never joined: finishes on its own
    }

    // Joins the thread; nullopt when it panicked.
    std::optional<Result<std::string>> join() {
        thread_.join();
        try {
            return result_.get();
        } catch (...) {
            return std::nullopt;
        }
    }

private:
    std::future<Result<std::string>> result_;
    std::thread thread_;
};

struct ChildOutput {
    std::string stdout_bytes;
    std::string stderr_bytes;
};

// Joins standard output first; after its failure the other reader is left
// to finish on its own.
Result<ChildOutput> read_child_output(PipeReader& stdout_reader, PipeReader& stderr_reader) {
    auto out = stdout_reader.join();
    if (!out) return fail("schema dump stdout reader panicked");
    if (!*out) return std::unexpected(std::move(out->error()));
    auto err = stderr_reader.join();
    if (!err) return fail("schema dump stderr reader panicked");
    if (!*err) return std::unexpected(std::move(err->error()));
    return ChildOutput{std::move(**out), std::move(**err)};
}

// Kills the child's whole process group while the child is still unreaped
// (so its id cannot have been reused), then reaps it. A grandchild holding
// the pipes dies with it, so the readers reach end of file. Never fails.
void terminate_child(ChildProcess& child) {
    child.kill();
    (void)child.wait();
}

Result<void> generate_and_write(const DevConfig& config, const schema::ApiGraph& graph) {
    const codegen::GenerationResult generated = generate_client(config.language, config.effect_options, graph);
    return write_generated_files(generated.files, config.out);
}

}  // namespace

Result<std::string> read_pipe(UniqueFd pipe, const std::string& label) {
    auto bytes = read_to_end(pipe.get());
    pipe.reset();
    return with_context(std::move(bytes), fmt::format("failed to read {}", label));
}

Result<RegenerationOutcome> run_regeneration_cancellable(DevReceiver& receiver, const DevConfig& config) {
    using Kind = RegenerationOutcome::Kind;

    auto command = process_command(config.schema_command);
    if (!command) return std::unexpected(std::move(command.error()));

    // Its own process group, so a cancellation reaches whatever it started;
    // default signal handling, whatever this process blocks.
    auto spawned = ChildProcess::spawn(*command, SpawnOptions{.own_process_group = true, .reset_signals = true});
    if (!spawned) return std::unexpected(std::move(spawned.error()).context("failed to spawn schema dump subprocess"));
    ChildProcess child = std::move(*spawned);

    UniqueFd stdout_pipe = child.take_stdout();
    if (!stdout_pipe.valid()) return fail("schema dump stdout pipe was unavailable");
    UniqueFd stderr_pipe = child.take_stderr();
    if (!stderr_pipe.valid()) return fail("schema dump stderr pipe was unavailable");

    PipeReader stdout_reader(std::move(stdout_pipe), "schema dump stdout");
    PipeReader stderr_reader(std::move(stderr_pipe), "schema dump stderr");

    std::optional<ExitStatus> status;
    for (;;) {
        auto polled = child.try_wait();
        if (!polled) return std::unexpected(std::move(polled.error()).context("failed to poll schema dump subprocess"));
        if (*polled) {
            status = **polled;
            break;
        }
        std::optional<DevMessage> message;
        const RecvStatus received = receiver.recv_for(message, kPollInterval);
        if (received == RecvStatus::Timeout) continue;
        if (received == RecvStatus::Message && std::holds_alternative<WatchResult>(*message)) {
            if (!is_relevant_change(*message, config)) continue;
            terminate_child(child);
            (void)read_child_output(stdout_reader, stderr_reader);
            return RegenerationOutcome{Kind::Restart, {}};
        }
        terminate_child(child);
        (void)read_child_output(stdout_reader, stderr_reader);
        return RegenerationOutcome{Kind::Shutdown, {}};
    }

    auto output = read_child_output(stdout_reader, stderr_reader);
    if (!output) return RegenerationOutcome{Kind::Completed, std::unexpected(std::move(output.error()))};
    auto graph = schema_from_output(status->success(), output->stdout_bytes, output->stderr_bytes);
    if (!graph) return RegenerationOutcome{Kind::Completed, std::unexpected(std::move(graph.error()))};
    return RegenerationOutcome{Kind::Completed, generate_and_write(config, *graph)};
}

}  // namespace tolv::cli
