#include "cli/schema_source/child_run.hpp"

#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>

#include <chrono>
#include <csignal>
#include <fstream>
#include <string>
#include <thread>

namespace tolv::cli {
namespace {

ProcessCommand sh(std::string script) { return ProcessCommand{"sh", {"-c", std::move(script)}}; }

// Runs `command` to its end, failing the test when it cannot.
CompletedProcess completed(const ProcessCommand& command) {
    auto run = run_child(command, "failed to spawn");
    if (!run) {
        ADD_FAILURE() << run.error().display();
        return {};
    }
    EXPECT_FALSE(run->cancelled);
    if (!run->output) {
        ADD_FAILURE() << run->output.error().display();
        return {};
    }
    return std::move(*run->output);
}

TEST(RunChild, CapturesBothStreamsAndTheStatus) {
    auto done = completed(sh("printf out; printf err >&2; exit 3"));
    EXPECT_EQ(done.stdout_bytes, "out");
    EXPECT_EQ(done.stderr_bytes, "err");
    EXPECT_FALSE(done.status.success());
    EXPECT_EQ(WEXITSTATUS(done.status.raw), 3);

    EXPECT_FALSE(completed(sh("kill -9 $$")).status.success());
    // cat would wait forever on an inherited terminal or pipe.
    auto cat = completed(ProcessCommand{"cat", {}});
    EXPECT_EQ(cat.stdout_bytes, "");
    EXPECT_TRUE(cat.status.success());
}

TEST(RunChild, DrainsLargeOutputOnBothStreamsWithoutStalling) {
    // Far more than a pipe holds, on stderr first, then on stdout.
    auto done = completed(sh("head -c 4000000 /dev/zero >&2; head -c 3000000 /dev/zero; echo"));
    EXPECT_TRUE(done.status.success());
    EXPECT_EQ(done.stderr_bytes.size(), 4000000u);
    EXPECT_EQ(done.stdout_bytes.size(), 3000001u);
}

// A backend that exits leaving a process behind on its pipes: the run ends
// shortly after the exit and what it left in its group is killed.
TEST(RunChild, WhatTheChildLeftOnItsPipesEndsWithIt) {
    const auto start = std::chrono::steady_clock::now();
    auto done = completed(sh("sleep 60 & echo $!; echo log >&2"));
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
    EXPECT_TRUE(done.status.success());
    EXPECT_EQ(done.stderr_bytes, "log\n");
    const pid_t left = static_cast<pid_t>(std::stol(done.stdout_bytes));
    // Killed; at most a zombie until its new parent reaps it.
    const auto gone = [left] {
        std::ifstream stat("/proc/" + std::to_string(left) + "/stat");
        std::string pid, name, state;
        return !(stat >> pid >> name >> state) || state == "Z";
    };
    for (int i = 0; i < 100 && !gone(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_TRUE(gone()) << left;
}

TEST(RunChild, AProgramThatCannotStartIsTheOsErrorUnderTheContext) {
    auto missing = run_child(ProcessCommand{"tolv-no-such-program", {}}, "failed to spawn it");
    ASSERT_FALSE(missing.has_value());
    EXPECT_EQ(missing.error().display(), "failed to spawn it: No such file or directory (os error 2)");
    EXPECT_FALSE(run_child(ProcessCommand{"sh -c true", {}}, "failed").has_value());
}

// tolv ignores SIGPIPE for itself; a backend it starts must not inherit that.
TEST(RunChild, ChildGetsTheDefaultSigpipe) {
    auto previous = std::signal(SIGPIPE, SIG_IGN);
    auto done = completed(sh("grep SigIgn /proc/self/status"));
    std::signal(SIGPIPE, previous);
    const std::string& line = done.stdout_bytes;
    ASSERT_TRUE(line.starts_with("SigIgn:")) << line;
    const unsigned long long ignored = std::stoull(line.substr(line.find_first_not_of(" \t", 7)), nullptr, 16);
    EXPECT_EQ(ignored & (1ULL << (SIGPIPE - 1)), 0u) << line;
}

}  // namespace
}  // namespace tolv::cli
