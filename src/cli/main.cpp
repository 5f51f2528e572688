// The tolv executable: parse, run, map the outcome to an exit status.
#include <malloc.h>

#include <csignal>
#include <cstdio>
#include <exception>
#include <string>
#include <vector>

#include "cli/command_line/command_line.hpp"
#include "cli/commands.hpp"
#include "cli/os/stdout_text.hpp"

namespace {

// A broken invariant anywhere (an uncaught exception on any thread, a failed
// assertion) ends the process with status 101 after its message.
void on_terminate() {
    std::string message = "internal error";
    if (auto current = std::current_exception()) {
        try {
            std::rethrow_exception(current);
        } catch (const std::exception& error) {
            message = error.what();
        } catch (...) {
            message = "internal error: unknown exception";
        }
    }
    tolv::cli::panic(message);
}

extern "C" void on_abort(int) { ::_exit(101); }

// The schema text, the graph and the module grow by doubling. By default
// every large block is a fresh mapping handed back on free, so each doubling
// faults in new pages; keeping large blocks on the heap, and freed memory
// with the process, lets a grown buffer reuse pages it already touched.
void keep_freed_memory() {
    constexpr int kLarge = 1 << 30;
    mallopt(M_MMAP_THRESHOLD, kLarge);
    mallopt(M_TRIM_THRESHOLD, kLarge);
    mallopt(M_TOP_PAD, 64 << 20);
}

}  // namespace

int main(int argc, char** argv) {
    keep_freed_memory();
    std::set_terminate(on_terminate);
    std::signal(SIGABRT, on_abort);
    // A closed standard output becomes a write error we report, not a kill.
    std::signal(SIGPIPE, SIG_IGN);

    std::vector<std::string> args(argv, argv + argc);
    auto outcome = tolv::cli::parse_command_line(args);
    if (auto* exit = std::get_if<tolv::cli::ParseExit>(&outcome)) {
        // Help that cannot be printed still ends with its status.
        std::fwrite(exit->stdout_text.data(), 1, exit->stdout_text.size(), stdout);
        std::fflush(stdout);
        tolv::cli::print_to_stderr(exit->stderr_text);
        return exit->status;
    }
    auto result = tolv::cli::run(std::move(std::get<tolv::cli::Command>(outcome)));
    if (!result) {
        tolv::cli::print_to_stderr("Error: " + result.error().display() + "\n");
        return 1;
    }
    return *result;
}
