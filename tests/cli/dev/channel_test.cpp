#include "cli/dev/channel.hpp"

#include <gtest/gtest.h>

#include <poll.h>

#include <chrono>
#include <thread>
#include <vector>

namespace tolv::cli {
namespace {

using namespace std::chrono_literals;

TEST(DevChannel, DeliversInOrderThenDisconnectsOnceSendersAreGone) {
    auto [sender, receiver] = make_channel<int>();
    {
        auto second = sender;
        EXPECT_TRUE(sender.send(1));
        EXPECT_TRUE(second.send(2));
    }
    { auto dropped = std::move(sender); }

    std::optional<int> value;
    ASSERT_EQ(receiver.recv(value), RecvStatus::Message);
    EXPECT_EQ(*value, 1);
    ASSERT_EQ(receiver.recv(value), RecvStatus::Message);
    EXPECT_EQ(*value, 2);
    EXPECT_EQ(receiver.recv(value), RecvStatus::Disconnected);
    EXPECT_EQ(receiver.recv_for(value, 1h), RecvStatus::Disconnected);
}

TEST(DevChannel, TimedReceiveTimesOutWhileASenderLives) {
    auto [sender, receiver] = make_channel<int>();
    std::optional<int> value;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(receiver.recv_for(value, 30ms), RecvStatus::Timeout);
    EXPECT_GE(std::chrono::steady_clock::now() - start, 30ms);
    EXPECT_FALSE(value.has_value());
}

TEST(DevChannel, SendAfterReceiverIsGoneIsRefused) {
    auto pair = make_channel<int>();
    Sender<int> sender = std::move(pair.first);
    { auto receiver = std::move(pair.second); }
    EXPECT_FALSE(sender.send(7));
}

TEST(DevChannel, BlockedReceiverWakesWhenLastSenderDrops) {
    auto pair = make_channel<int>();
    std::thread dropper([sender = std::move(pair.first)]() mutable {
        std::this_thread::sleep_for(20ms);
        auto gone = std::move(sender);
    });
    std::optional<int> value;
    EXPECT_EQ(pair.second.recv(value), RecvStatus::Disconnected);
    dropper.join();
}

TEST(DevChannel, WakeDescriptorIsReadableExactlyWhileSomethingWaits) {
    auto [sender, receiver] = make_channel<int>();
    auto fd = receiver.wake_fd();
    ASSERT_TRUE(fd.has_value()) << fd.error().display();
    const auto readable = [fd = *fd] {
        pollfd one{fd, POLLIN, 0};
        return ::poll(&one, 1, 0) == 1;
    };
    std::optional<int> value;
    EXPECT_FALSE(readable());
    EXPECT_EQ(receiver.try_recv(value), RecvStatus::Timeout);
    sender.send(1);
    sender.send(2);
    EXPECT_TRUE(readable());
    ASSERT_EQ(receiver.try_recv(value), RecvStatus::Message);
    EXPECT_TRUE(readable()) << "one message left";
    ASSERT_EQ(receiver.recv_for(value, 0ms), RecvStatus::Message);
    EXPECT_EQ(*value, 2);
    EXPECT_FALSE(readable());
    { auto gone = std::move(sender); }
    EXPECT_TRUE(readable()) << "disconnected";
    EXPECT_EQ(receiver.try_recv(value), RecvStatus::Disconnected);
    EXPECT_TRUE(readable());
}

TEST(DevChannel, ManySendersLoseNothing) {
    auto [sender, receiver] = make_channel<int>();
    constexpr int kThreads = 4, kEach = 2000;
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([copy = sender, t] {
            for (int i = 0; i < kEach; ++i) copy.send(t * kEach + i);
        });
    }
    { auto dropped = std::move(sender); }
    std::vector<int> last(kThreads, -1);
    int count = 0;
    std::optional<int> value;
    while (receiver.recv(value) == RecvStatus::Message) {
        const int t = *value / kEach;
        EXPECT_GT(*value, last[t]) << "per-sender order";
        last[t] = *value;
        ++count;
    }
    for (auto& thread : threads) thread.join();
    EXPECT_EQ(count, kThreads * kEach);
}

}  // namespace
}  // namespace tolv::cli
