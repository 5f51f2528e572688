#include "cli/dev/shutdown_listener.hpp"

#include <gtest/gtest.h>

#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <thread>

namespace tolv::cli {
namespace {

using namespace std::chrono_literals;

// Blocks the two signals first, as `dev` does before any thread. Signals
// the listeners left pending are taken away before and after each test, so
// that no test sees another's (all run in one process when run together).
class ShutdownListener : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(block_shutdown_signals());
        drain_pending();
    }
    void TearDown() override { drain_pending(); }

    static void drain_pending() {
        sigset_t set;
        sigemptyset(&set);
        sigaddset(&set, SIGINT);
        sigaddset(&set, SIGTERM);
        const timespec none{};
        while (::sigtimedwait(&set, nullptr, &none) > 0) {}
    }

    static void expect_one_shutdown_for(std::initializer_list<int> signals) {
        auto [sender, receiver] = make_channel<DevMessage>();
        spawn_shutdown_listener(sender);
        for (int signal : signals) ASSERT_EQ(::kill(::getpid(), signal), 0);

        std::optional<DevMessage> message;
        ASSERT_EQ(receiver.recv_for(message, 20s), RecvStatus::Message);
        EXPECT_TRUE(std::holds_alternative<ShutdownRequest>(*message));
        EXPECT_EQ(receiver.recv_for(message, 200ms), RecvStatus::Timeout) << "exactly one shutdown message";
    }
};

TEST_F(ShutdownListener, SigtermSendsOneShutdown) { expect_one_shutdown_for({SIGTERM}); }

TEST_F(ShutdownListener, CtrlCSendsOneShutdown) { expect_one_shutdown_for({SIGINT}); }

TEST_F(ShutdownListener, BothSignalsTogetherSendOnlyOne) { expect_one_shutdown_for({SIGINT, SIGTERM}); }

TEST_F(ShutdownListener, ASignalAfterTheLoopEndedIsDroppedQuietly) {
    auto pair = make_channel<DevMessage>();
    spawn_shutdown_listener(pair.first);
    { auto gone = std::move(pair.second); }
    ASSERT_EQ(::kill(::getpid(), SIGTERM), 0);
    // The listener takes the signal (it no longer shows as pending) and its
    // refused send harms nothing: the process is still here.
    const auto deadline = std::chrono::steady_clock::now() + 20s;
    sigset_t pending;
    do {
        std::this_thread::sleep_for(5ms);
        ASSERT_EQ(::sigpending(&pending), 0);
    } while (sigismember(&pending, SIGTERM) == 1 && std::chrono::steady_clock::now() < deadline);
    EXPECT_EQ(sigismember(&pending, SIGTERM), 0);
}

}  // namespace
}  // namespace tolv::cli
