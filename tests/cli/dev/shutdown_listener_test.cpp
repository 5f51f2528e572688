#include "cli/shutdown_listener.hpp"

#include <gtest/gtest.h>

#include <signal.h>
#include <unistd.h>

#include <chrono>

namespace tolv::cli {
namespace {

using namespace std::chrono_literals;

// Each test blocks the two signals first, as `dev` does before any thread.
void expect_one_shutdown_for(std::initializer_list<int> signals) {
    ASSERT_TRUE(block_shutdown_signals());
    auto [sender, receiver] = make_channel<DevMessage>();
    spawn_shutdown_listener(sender);
    for (int signal : signals) ASSERT_EQ(::kill(::getpid(), signal), 0);

    std::optional<DevMessage> message;
    ASSERT_EQ(receiver.recv_for(message, 20s), RecvStatus::Message);
    EXPECT_TRUE(std::holds_alternative<ShutdownRequest>(*message));
    EXPECT_EQ(receiver.recv_for(message, 200ms), RecvStatus::Timeout) << "exactly one shutdown message";
}

TEST(ShutdownListener, SigtermSendsOneShutdown) { expect_one_shutdown_for({SIGTERM}); }

TEST(ShutdownListener, CtrlCSendsOneShutdown) { expect_one_shutdown_for({SIGINT}); }

TEST(ShutdownListener, BothSignalsTogetherSendOnlyOne) { expect_one_shutdown_for({SIGINT, SIGTERM}); }

TEST(ShutdownListener, ASignalAfterTheLoopEndedIsDroppedQuietly) {
    ASSERT_TRUE(block_shutdown_signals());
    auto pair = make_channel<DevMessage>();
    spawn_shutdown_listener(pair.first);
    { auto gone = std::move(pair.second); }
    ASSERT_EQ(::kill(::getpid(), SIGTERM), 0);
    // The listener's send is refused; the process goes on unharmed.
    std::this_thread::sleep_for(50ms);
    SUCCEED();
}

}  // namespace
}  // namespace tolv::cli
