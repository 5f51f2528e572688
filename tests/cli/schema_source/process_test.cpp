#include "cli/schema_source/process.hpp"

#include <gtest/gtest.h>

#include <csignal>

#include <signal.h>
#include <sys/wait.h>

#include <chrono>
#include <thread>

namespace tolv::cli {
namespace {

ProcessCommand sh(std::string script) { return ProcessCommand{"sh", {"-c", std::move(script)}}; }

TEST(RunToCompletion, CapturesBothStreamsAndTheStatus) {
    auto done = run_to_completion(sh("printf out; printf err >&2; exit 3"));
    ASSERT_TRUE(done.has_value()) << done.error().display();
    EXPECT_EQ(done->stdout_bytes, "out");
    EXPECT_EQ(done->stderr_bytes, "err");
    EXPECT_FALSE(done->status.success());
    EXPECT_EQ(WEXITSTATUS(done->status.raw), 3);
}

TEST(RunToCompletion, DrainsLargeOutputOnBothStreamsWithoutStalling) {
    // Far more than a pipe holds, on stderr first, then on stdout.
    auto done = run_to_completion(sh("head -c 4000000 /dev/zero >&2; head -c 3000000 /dev/zero; echo"));
    ASSERT_TRUE(done.has_value()) << done.error().display();
    EXPECT_TRUE(done->status.success());
    EXPECT_EQ(done->stderr_bytes.size(), 4000000u);
    EXPECT_EQ(done->stdout_bytes.size(), 3000001u);
}

TEST(RunToCompletion, StandardInputIsTheNullDevice) {
    // cat would wait forever on an inherited terminal or pipe.
    auto done = run_to_completion(ProcessCommand{"cat", {}});
    ASSERT_TRUE(done.has_value());
    EXPECT_EQ(done->stdout_bytes, "");
    EXPECT_TRUE(done->status.success());
}

TEST(RunToCompletion, MissingProgramIsTheOsError) {
    auto done = run_to_completion(ProcessCommand{"tolv-no-such-program", {}});
    ASSERT_FALSE(done.has_value());
    EXPECT_EQ(done.error().display(), "No such file or directory (os error 2)");

    auto spaced = run_to_completion(ProcessCommand{"sh -c true", {}});
    ASSERT_FALSE(spaced.has_value());
}

TEST(RunToCompletion, KilledChildIsNotSuccess) {
    auto done = run_to_completion(sh("kill -9 $$"));
    ASSERT_TRUE(done.has_value());
    EXPECT_FALSE(done->status.success());
}

TEST(ChildProcess, TryWaitKillAndReapInItsOwnGroup) {
    SpawnOptions options;
    options.own_process_group = true;
    options.reset_signals = true;
    auto child = ChildProcess::spawn(sh("sleep 30 & sleep 30; wait"), options);
    ASSERT_TRUE(child.has_value());
    EXPECT_EQ(::getpgid(child->pid()), child->pid());

    auto running = child->try_wait();
    ASSERT_TRUE(running.has_value());
    EXPECT_FALSE(running->has_value());

    UniqueFd out = child->take_stdout();
    EXPECT_TRUE(out.valid());
    EXPECT_FALSE(child->take_stdout().valid());

    const auto start = std::chrono::steady_clock::now();
    child->kill();
    auto status = child->wait();
    ASSERT_TRUE(status.has_value());
    EXPECT_TRUE(WIFSIGNALED(status->raw));
    // The whole group went: the pipe reaches end of file at once.
    auto rest = read_to_end(out.get());
    ASSERT_TRUE(rest.has_value());
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
}

TEST(ChildProcess, ResetSignalsUnblocksWhatTheParentBlocked) {
    sigset_t blocked, previous;
    sigemptyset(&blocked);
    sigaddset(&blocked, SIGTERM);
    ASSERT_EQ(pthread_sigmask(SIG_BLOCK, &blocked, &previous), 0);
    SpawnOptions options;
    options.reset_signals = true;
    auto child = ChildProcess::spawn(sh("grep SigBlk /proc/self/status"), options);
    pthread_sigmask(SIG_SETMASK, &previous, nullptr);
    ASSERT_TRUE(child.has_value());
    auto text = read_to_end(child->take_stdout().get());
    ASSERT_TRUE(text.has_value());
    EXPECT_NE(text->find("0000000000000000"), std::string::npos) << *text;
    EXPECT_TRUE(child->wait()->success());
}

// tolv ignores SIGPIPE for itself; a backend it starts must not inherit that.
TEST(RunToCompletion, ChildGetsTheDefaultSigpipe) {
    auto previous = std::signal(SIGPIPE, SIG_IGN);
    auto done = run_to_completion(sh("grep SigIgn /proc/self/status"));
    std::signal(SIGPIPE, previous);
    ASSERT_TRUE(done.has_value());
    const std::string& line = done->stdout_bytes;
    ASSERT_TRUE(line.starts_with("SigIgn:")) << line;
    const unsigned long long ignored = std::stoull(line.substr(line.find_first_not_of(" \t", 7)), nullptr, 16);
    EXPECT_EQ(ignored & (1ULL << (SIGPIPE - 1)), 0u) << line;
}

}  // namespace
}  // namespace tolv::cli
