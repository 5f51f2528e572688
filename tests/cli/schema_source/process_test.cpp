#include "cli/schema_source/process.hpp"

#include <gtest/gtest.h>

#include <poll.h>
#include <signal.h>
#include <sys/wait.h>

#include <chrono>
#include <string>

namespace tolv::cli {
namespace {

ProcessCommand sh(std::string script) { return ProcessCommand{"sh", {"-c", std::move(script)}}; }

bool readable_within(int fd, int ms) {
    pollfd one{fd, POLLIN, 0};
    return ::poll(&one, 1, ms) == 1;
}

std::string read_to_end(int fd) {
    std::string bytes;
    char buffer[4096];
    for (ssize_t n; (n = ::read(fd, buffer, sizeof buffer)) > 0;) bytes.append(buffer, static_cast<std::size_t>(n));
    return bytes;
}

TEST(ChildProcess, PidfdKillAndReapInItsOwnGroup) {
    auto child = ChildProcess::spawn(sh("sleep 30 & sleep 30; wait"));
    ASSERT_TRUE(child.has_value());
    EXPECT_EQ(::getpgid(child->pid()), child->pid());
    EXPECT_FALSE(readable_within(child->pidfd(), 0)) << "still running";

    UniqueFd out = child->take_stdout();
    EXPECT_TRUE(out.valid());
    EXPECT_FALSE(child->take_stdout().valid());

    const auto start = std::chrono::steady_clock::now();
    child->kill();
    EXPECT_TRUE(readable_within(child->pidfd(), 20000)) << "the pidfd reports the exit";
    auto status = child->wait();
    ASSERT_TRUE(status.has_value());
    EXPECT_TRUE(WIFSIGNALED(status->raw));
    // The whole group went: the pipe reaches end of file at once.
    EXPECT_EQ(read_to_end(out.get()), "");
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
}

TEST(ChildProcess, ChildGetsAnEmptySignalMaskWhateverTheParentBlocked) {
    sigset_t blocked, previous;
    sigemptyset(&blocked);
    sigaddset(&blocked, SIGTERM);
    ASSERT_EQ(pthread_sigmask(SIG_BLOCK, &blocked, &previous), 0);
    auto child = ChildProcess::spawn(sh("grep SigBlk /proc/self/status"));
    pthread_sigmask(SIG_SETMASK, &previous, nullptr);
    ASSERT_TRUE(child.has_value());
    const std::string text = read_to_end(child->take_stdout().get());
    EXPECT_NE(text.find("0000000000000000"), std::string::npos) << text;
    EXPECT_TRUE(child->wait()->success());
}

}  // namespace
}  // namespace tolv::cli
